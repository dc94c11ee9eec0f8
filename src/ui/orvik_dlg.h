// The launcher's main window. It creates the controls of the window template and the skin,
// draws the panel pictures, forwards every user action to the window logic, and carries out
// what the logic and the workers ask through the window port: the bridge brings their calls
// onto the UI thread as queued calls.
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <memory>

#include "ui/dialog_units.h"
#include "ui/image_ex.h"
#include "window/thread_bridge.h"
#include "window/window_events.h"

class QLabel;
class QMenu;
class QTimer;

namespace orvik::ui {

class CImageButton;
class CProgressDlg;
class CRollingBanner;
class CStatusPicture;

class COrvikDlg : public QDialog, public ThreadBridge {
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

  // How addresses are opened; the system's default handler unless a test replaces it.
  using AddressOpener = std::function<bool(const QString& address)>;
  void SetAddressOpener(AddressOpener opener) { opener_ = std::move(opener); }

 public slots:
  void done(int result) override;

 protected:
  bool event(QEvent* event) override;

  // ThreadBridge: the UI thread is this window's thread.
  ORVIK_THREAD_BRIDGE_FRONT_END

  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateTemplateControls();
  void CreateImageButtons();
  void CreateBanner();
  void CreateStatusPicture();
  void LoadPanelPictures();
  void RunInitDialog();
  void StartClosing();
  void Forward(const std::function<void(WindowEvents&)>& call);

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
};

}  // namespace orvik::ui
