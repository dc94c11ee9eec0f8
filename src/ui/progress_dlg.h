// The small modeless progress window: status line, bar with percent label, cancel button.
// It disables its owner while open and gives it back when it closes.
#pragma once

#include <QDialog>

#include <functional>

#include "window/progress_state.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace orvik::ui {

class CProgressDlg : public QDialog {
  Q_OBJECT

 public:
  CProgressDlg();
  ~CProgressDlg() override;

  // Opens the dialog over `parent`'s top-level window, disabling that window when it was
  // enabled. Returns false when it is already open.
  bool Create(QWidget* parent);
  // Closes the dialog and enables the owner again when this dialog disabled it.
  void DestroyWindow();

  void SetStatus(const QString& text);
  // Status line and bar (`percent` of the range) for work that runs off the UI thread:
  // unlike SetPos it pumps no events. Nothing while the dialog is closed.
  void ShowProgress(const QString& status, int percent);
  // Called after the operator's cancel has closed the dialog (not when the owner closes it).
  void SetOnCancel(std::function<void()> onCancel) { onCancel_ = std::move(onCancel); }
  void SetRange(int lower, int upper);
  void SetStep(int step) { state_.SetStep(step); }
  int SetPos(int pos);
  int OffsetPos(int delta);
  int StepIt();
  // Whether cancel was pressed since the last call; forgets it.
  bool CheckCancelButton();

  const ProgressState& State() const { return state_; }
  QString PercentText() const;
  QString StatusText() const;
  QPushButton* CancelButton() const { return cancel_; }
  QWidget* Owner() const { return owner_; }

 public slots:
  void accept() override {}  // Enter has no effect
  void reject() override;    // cancel button, Escape and the close box

 private:
  int Apply(const ProgressState::Update& update);

  ProgressState state_;
  std::function<void()> onCancel_;
  QWidget* owner_ = nullptr;
  QLabel* status_;
  QLabel* percent_;
  QProgressBar* bar_;
  QPushButton* cancel_;
};

}  // namespace orvik::ui
