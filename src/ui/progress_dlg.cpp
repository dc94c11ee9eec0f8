#include "ui/progress_dlg.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

#include "core/user_texts.h"
#include "ui/dialog_units.h"
#include "window/dialog_layout.h"

namespace orvik::ui {

namespace {
// Template 103 is 187 x 92 dialog units; its own font is smaller than the main window's.
constexpr DialogUnits kUnits{1.5, 1.625};

QRect Place(int id, layout::Kind kind) {
  const layout::Control* c = layout::Find(layout::ProgressDialog(), id, kind);
  return c ? kUnits.ToPixels(c->x, c->y, c->width, c->height) : QRect();
}
}  // namespace

CProgressDlg::CProgressDlg() {
  const layout::Dialog& dialog = layout::ProgressDialog();
  setWindowTitle(QString::fromUtf8(dialog.caption));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setModal(false);
  setFixedSize(kUnits.ToPixels(0, 0, dialog.width, dialog.height).size());

  status_ = new QLabel(this);
  status_->setGeometry(Place(layout::kProgressStatus, layout::Kind::Label));
  percent_ = new QLabel(QString::fromUtf8(ProgressState::kInitialLabel), this);
  percent_->setGeometry(Place(layout::kProgressPercent, layout::Kind::Label));
  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setGeometry(Place(layout::kProgressBar, layout::Kind::Progress));
  bar_->setRange(state_.Lower(), state_.Upper());
  bar_->setValue(state_.Pos());
  cancel_ = new QPushButton(QString::fromUtf8(text::kBoxCancel), this);
  cancel_->setGeometry(Place(layout::kCancel, layout::Kind::DefaultButton));
  cancel_->setAutoDefault(false);
  connect(cancel_, &QPushButton::clicked, this, &CProgressDlg::reject);
}

CProgressDlg::~CProgressDlg() { DestroyWindow(); }

bool CProgressDlg::Create(QWidget* parent) {
  if (isVisible()) return false;
  owner_ = parent ? parent->window() : nullptr;
  if (state_.Create(owner_ != nullptr, owner_ && owner_->isEnabled())) owner_->setEnabled(false);
  bar_->setRange(state_.Lower(), state_.Upper());
  bar_->setValue(state_.Pos());
  percent_->setText(QString::fromUtf8(state_.Label()));
  status_->clear();  // the last work's line is not this work's
  // Parentless so that disabling the owner does not disable this window too; the transient
  // parent keeps it above the owner.
  if (owner_) {
    winId();
    if (windowHandle() && owner_->windowHandle()) {
      windowHandle()->setTransientParent(owner_->windowHandle());
    }
  }
  show();
  raise();
  activateWindow();
  return true;
}

void CProgressDlg::DestroyWindow() {
  if (state_.Destroy() && owner_) owner_->setEnabled(true);
  owner_ = nullptr;
  hide();
}

void CProgressDlg::reject() {
  state_.PressCancel();
  // The owner has no other way to close this dialog, so cancel also closes it.
  DestroyWindow();
  if (onCancel_) onCancel_();
}

void CProgressDlg::SetStatus(const QString& text) { status_->setText(text); }

void CProgressDlg::ShowProgress(const QString& status, int percent) {
  if (!isVisible()) return;
  status_->setText(status);
  Apply(state_.SetPos(state_.Lower() + (state_.Upper() - state_.Lower()) * percent / 100));
}

void CProgressDlg::SetRange(int lower, int upper) {
  state_.SetRange(lower, upper);
  bar_->setRange(state_.Lower(), state_.Upper());
}

int CProgressDlg::Apply(const ProgressState::Update& update) {
  bar_->setValue(state_.Pos());
  if (update.label) percent_->setText(QString::fromUtf8(*update.label));
  return update.previous;
}

int CProgressDlg::SetPos(int pos) {
  QCoreApplication::processEvents();
  return Apply(state_.SetPos(pos));
}

int CProgressDlg::OffsetPos(int delta) {
  QCoreApplication::processEvents();
  return Apply(state_.OffsetPos(delta));
}

int CProgressDlg::StepIt() {
  QCoreApplication::processEvents();
  return Apply(state_.StepIt());
}

bool CProgressDlg::CheckCancelButton() {
  QCoreApplication::processEvents();
  return state_.CheckCancelButton();
}

QString CProgressDlg::PercentText() const { return percent_->text(); }

QString CProgressDlg::StatusText() const { return status_->text(); }

}  // namespace orvik::ui
