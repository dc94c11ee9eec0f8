#include "ui/orvik_dlg.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QUrl>

#include "platform/module_dir.h"
#include "window/control_ids.h"
#include "ui/about_dlg.h"
#include "ui/history_dlg.h"
#include "ui/image_button.h"
#include "ui/progress_dlg.h"
#include "ui/rolling_banner.h"
#include "ui/skin_resources.h"
#include "ui/status_picture.h"
#include "window/verify_run.h"
#include "core/user_texts.h"

namespace orvik::ui {

namespace {

// Panel pictures the window paints itself, in pixels.
constexpr QRect kInfoPanel(22, 426, 500, 94);
constexpr QRect kStatusPicture(526, 420, 163, 86);
constexpr int kInfoPanelId = 161;
constexpr int kDownloadingId = 166;
constexpr int kUnpackingId = 167;

QFont DialogFont() {
  // The template asks for Gulim; where it is missing a Hangul font must take over, or the
  // Korean texts render as empty boxes.
  QFont font;
  font.setFamilies({QString::fromUtf8("굴림"), QStringLiteral("Gulim"),
                    QStringLiteral("NanumGothic"), QStringLiteral("NanumBarunGothic"),
                    QStringLiteral("Noto Sans CJK KR"), QStringLiteral("UnDotum")});
  font.setPixelSize(13);  // 10 pt at 96 dpi
  font.setWeight(QFont::Normal);
  return font;
}

bool OpenWithSystem(const QString& address) {
  const QUrl url =
      address.contains(QStringLiteral("://")) ? QUrl(address) : QUrl::fromLocalFile(address);
  return QDesktopServices::openUrl(url);
}

}  // namespace

COrvikDlg::COrvikDlg(QWidget* parent) : QDialog(parent), opener_(OpenWithSystem) {
  InitSkinResources();
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral(" "));
  setWindowIcon(QIcon(QStringLiteral(":/icon/orvik.png")));
  setFont(DialogFont());
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(0xF0, 0xF0, 0xF0));
  setPalette(pal);
  setFixedSize(kClientWidth, kClientHeight);

  progress_ = std::make_unique<CProgressDlg>();
  progress_->SetOnCancel([this] { Forward([](WindowEvents& logic) { logic.OnProgressCancel(); }); });
  CreateBanner();
  CreateTemplateControls();
  CreateImageButtons();
  LoadPanelPictures();
  CreateStatusPicture();
}

COrvikDlg::~COrvikDlg() {
  StartClosing();
  // The progress dialog enables this window again; that must happen while it is whole.
  progress_.reset();
}

void COrvikDlg::AttachLogic(WindowEvents* logic) {
  logic_ = logic;
  if (logic_ && isVisible()) RunInitDialog();
}

QWidget* COrvikDlg::Control(int id) const {
  const auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

CImageButton* COrvikDlg::ImageButton(int id) const {
  const auto it = imageButtons_.find(id);
  return it == imageButtons_.end() ? nullptr : it->second;
}

QMenu* COrvikDlg::CreateContextMenu() {
  auto* menu = new QMenu(this);
  if (logic_ && !closed_ && logic_->OffersRunInMenu()) {
    menu->addAction(QString::fromUtf8(text::kRunMenuItem), this, [this] {
      Forward([](WindowEvents& logic) { logic.OnCommand(ctl::kRunButton); });
    });
  }
  if (const char* verify = logic_ && !closed_ ? logic_->VerifyMenuItem() : nullptr) {
    menu->addAction(QString::fromUtf8(verify), this, [this] {
      Forward([](WindowEvents& logic) { logic.OnCommand(kVerifyCommand); });
    });
  }
  menu->addAction(QString::fromUtf8(text::kHistoryMenuItem), this, [this] {
    CHistoryDlg history(platform::GetModuleDirectory(), this);
    history.exec();
  });
  menu->addAction(QString::fromUtf8(text::kAboutMenuItem), this, [this] {
    if (logic_) {
      Forward([](WindowEvents& logic) { logic.OnCommand(ctl::kAboutCommand); });
    } else {
      ShowAboutBox();
    }
  });
  return menu;
}

void COrvikDlg::contextMenuEvent(QContextMenuEvent* event) {
  // Stands in for the system menu's About item, which Linux window managers do not offer.
  QMenu* menu = CreateContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(event->globalPos());
}

void COrvikDlg::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
    // The design ends the dialog on Enter as on Escape; during an update it asks first.
    if (logic_ && !closed_ && !logic_->MayClose()) return;
    if (key == Qt::Key_Escape) {
      reject();
    } else {
      accept();
    }
    return;
  }
  QDialog::keyPressEvent(event);
}

void COrvikDlg::closeEvent(QCloseEvent* event) {
  // The close box asks as Escape does; a session's end request (not spontaneous) does not.
  if (event->spontaneous() && logic_ && !closed_ && !logic_->MayClose()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void COrvikDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (logic_) RunInitDialog();
}

void COrvikDlg::RunInitDialog() {
  if (initDone_) return;
  initDone_ = true;
  logic_->OnInitDialog();
}

bool COrvikDlg::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
    const bool active = event->type() == QEvent::WindowActivate;
    Forward([active](WindowEvents& logic) { logic.OnActivate(active); });
  }
  return QDialog::event(event);
}

void COrvikDlg::CreateStatusPicture() {
  statusPicture_ = new CStatusPicture(this, [this]() -> const CImageEx* {
    switch (logic_ ? logic_->StatusPictureToShow() : StatusPicture::None) {
      case StatusPicture::Downloading:
        return &panels_[kDownloadingId];
      case StatusPicture::Unpacking:
        return &panels_[kUnpackingId];
      case StatusPicture::None:
        break;
    }
    return nullptr;
  });
  statusPicture_->setGeometry(kStatusPicture);
  // Above the program caption, below the program list and the buttons of the same place.
  programCaption_->lower();
  statusPicture_->stackUnder(Control(ctl::kProgramList));
}

void COrvikDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect& p = kInfoPanel;
  panels_[kInfoPanelId].Draw(painter, p.x(), p.y(), p.width(), p.height());
}

void COrvikDlg::done(int result) {
  if (!closed_) {
    StartClosing();
    closed_ = true;
    if (logic_) logic_->OnClose();
  }
  QDialog::done(result);
}

void COrvikDlg::StartClosing() {
  // Workers waiting for an answer get the closing answer and can be joined.
  BeginClosing();
  for (auto& [id, timer] : timers_) timer->stop();
}

void COrvikDlg::Forward(const std::function<void(WindowEvents&)>& call) {
  if (logic_ && !closed_) call(*logic_);
}

QWidget* COrvikDlg::BoxParent() {
  // A box over a disabled window would be disabled with it.
  if (isEnabled()) return this;
  if (progress_ && progress_->isVisible()) return progress_.get();
  return nullptr;
}

}  // namespace orvik::ui
