// The launcher's main window. It creates the controls of the window template and the skin,
// draws the panel pictures, forwards every user action to the window logic, and carries out
// what the logic and the workers ask through the window port, always on the UI thread.
#pragma once

#include <QDialog>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "core/window_port.h"
#include "ui/dialog_units.h"
#include "ui/image_ex.h"
#include "window/window_events.h"

class QLabel;
class QMenu;
class QTimer;

namespace orvik::ui {

class CImageButton;
class CProgressDlg;
class CRollingBanner;
class CStatusPicture;

class COrvikDlg : public QDialog, public WindowPort {
  Q_OBJECT

 public:
  // The template's 355 x 350 units span exactly the skin's 690 x 532 pixel layout, so the
  // template's labels and check boxes land on the panel picture drawn for them.
  static constexpr DialogUnits kUnits{690.0 / 355.0, 532.0 / 350.0};
  static constexpr int kClientWidth = 700;
  static constexpr int kClientHeight = 560;
  static constexpr int kBannerHeight = 320;
  static constexpr int kBannerPeriodMs = 4;

  explicit COrvikDlg(QWidget* parent = nullptr);
  ~COrvikDlg() override;

  // The logic needs this window as its port, so it is attached after construction. Its
  // start-up runs when the window is first shown (or at once when it already is).
  void AttachLogic(WindowEvents* logic);

  // The widget behind a control id (image buttons win over the template's static 1032).
  QWidget* Control(int id) const;
  CImageButton* ImageButton(int id) const;
  CRollingBanner* Banner() const { return banner_; }
  CProgressDlg* ProgressDialog() const { return progress_.get(); }
  QLabel* StoredCaption() const { return storedCaption_; }
  QLabel* ProgramCaption() const { return programCaption_; }
  // The menu reached by a right click on the window: the About item, and "실행" while the
  // run button is not shown.
  QMenu* CreateContextMenu();
  bool IsClosing() const { return closing_; }

  // How addresses are opened; the system's default handler unless a test replaces it.
  using AddressOpener = std::function<bool(const QString& address)>;
  void SetAddressOpener(AddressOpener opener) { opener_ = std::move(opener); }

  // WindowPort. Safe from any thread: calls from workers are queued onto the UI thread in
  // the order they were made; state reads come from a mirror kept under a lock.
  void SetControlText(int id, const std::string& text) override;
  void ShowControl(int id, bool show) override;
  void SetControlChecked(int id, bool checked) override;
  bool IsControlChecked(int id) override;
  bool IsControlVisible(int id) override;
  void EnableControl(int id, bool enable) override;
  bool IsControlEnabled(int id) override;
  void RedrawControl(int id) override;
  void InvalidateArea(const Rect& area) override;
  void SetProgressPos(int id, int pos) override;
  void SetListItems(int id, const std::vector<std::string>& items, int selected) override;
  void SetBannerPictures(const std::vector<std::filesystem::path>& files) override;
  void AddBannerPicture(const std::filesystem::path& file) override;
  void ShowAboutBox() override;
  void OpenProgressDialog() override;
  void StartTimer(int timerId, int periodMs) override;
  void StopTimer(int timerId) override;
  void PostWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
  bool AskYesNo(const std::string& text) override;
  void ShowMessage(const std::string& text, MessageIcon icon) override;
  bool OpenAddress(const std::string& address) override;

 public slots:
  void done(int result) override;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct ControlMirror {
    bool checked = false;
    bool visible = true;
    bool enabled = true;
  };

  void CreateTemplateControls();
  void CreateImageButtons();
  void CreateBanner();
  void CreateStatusPicture();
  void LoadPanelPictures();
  void RunInitDialog();
  void BeginClosing();
  void Forward(const std::function<void(WindowEvents&)>& call);

  // Runs `call` now on the UI thread, or queues it there from any other thread.
  void RunOnUi(std::function<void()> call);
  // Runs `call` on the UI thread and waits for its result; gives `whenClosing` at once when
  // the window is closing, so that a worker never waits for a window that is gone.
  template <typename T>
  T WaitOnUi(std::function<T()> call, T whenClosing);

  void MirrorUpdate(int id, const std::function<void(ControlMirror&)>& change);
  QWidget* BoxParent();

  WindowEvents* logic_ = nullptr;
  bool initDone_ = false;
  bool closed_ = false;

  std::map<int, QWidget*> controls_;
  std::map<int, CImageButton*> imageButtons_;
  std::map<int, QTimer*> timers_;
  CRollingBanner* banner_ = nullptr;
  QLabel* storedCaption_ = nullptr;
  QLabel* programCaption_ = nullptr;
  CStatusPicture* statusPicture_ = nullptr;
  std::unique_ptr<CProgressDlg> progress_;
  std::map<int, CImageEx> panels_;
  AddressOpener opener_;

  mutable std::mutex mutex_;  // guards mirror_ and the closing hand-shake
  std::condition_variable answered_;
  std::map<int, ControlMirror> mirror_;
  std::atomic<bool> closing_{false};
};

}  // namespace orvik::ui
