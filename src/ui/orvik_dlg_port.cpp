// The main window's drawing, as the bridge asks for it on the UI thread, and how the bridge
// reaches that thread: a queued call on this window.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "ui/about_dlg.h"
#include "ui/image_button.h"
#include "ui/message_boxes.h"
#include "ui/orvik_dlg.h"
#include "ui/progress_dlg.h"
#include "ui/rolling_banner.h"
#include "ui/status_picture.h"

namespace orvik::ui {

void COrvikDlg::PostToUiThread(std::function<void()> call) {
  // Queued calls run in the order they were posted; those left when the window is
  // destroyed are dropped with it.
  QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

bool COrvikDlg::OnUiThread() const { return QThread::currentThread() == thread(); }

void COrvikDlg::UiSetText(int id, const std::string& text) {
  const QString shown = QString::fromStdString(text);
  QWidget* widget = Control(id);
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(shown);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(shown);
  }
}

void COrvikDlg::UiShow(int id, bool show) {
  if (QWidget* widget = Control(id)) widget->setVisible(show);
}

void COrvikDlg::UiSetChecked(int id, bool checked) {
  if (CImageButton* button = ImageButton(id)) {
    button->SetChecked(checked);
  } else if (auto* box = qobject_cast<QAbstractButton*>(Control(id))) {
    box->setChecked(checked);
  }
}

void COrvikDlg::UiEnable(int id, bool enable) {
  // An image button keeps taking clicks when disabled; it only shows its disabled face
  // and the logic ignores its command.
  if (CImageButton* button = ImageButton(id)) {
    button->SetDisabled(!enable);
  } else if (QWidget* widget = Control(id)) {
    widget->setEnabled(enable);
  }
}

void COrvikDlg::UiInvalidate(const Rect& area) {
  const QRect dirty(area.left, area.top, area.right - area.left, area.bottom - area.top);
  update(dirty);
  if (dirty.intersects(statusPicture_->geometry())) statusPicture_->update();
}

void COrvikDlg::UiSetProgress(int id, int pos) {
  if (auto* bar = qobject_cast<QProgressBar*>(Control(id))) bar->setValue(pos);
}

void COrvikDlg::UiSetListItems(int id, const std::vector<std::string>& items, int selected) {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  if (!combo) return;
  std::vector<QString> texts;
  for (const auto& item : items) texts.push_back(QString::fromStdString(item));
  const QString chosen =
      selected >= 0 && selected < static_cast<int>(texts.size()) ? texts[selected] : QString();
  // The list is a sorted one: entries appear in alphabetical order whatever order they
  // were given in.
  std::stable_sort(texts.begin(), texts.end(), [](const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
  });
  const QSignalBlocker quiet(combo);  // only the operator's choice is a selection change
  combo->clear();
  for (const auto& text : texts) combo->addItem(text);
  combo->setCurrentIndex(chosen.isNull() ? -1 : combo->findText(chosen));
}

void COrvikDlg::UiSetBannerPictures(const std::vector<std::filesystem::path>& files) {
  banner_->SetImages(files);
  // The pictures are stretched over the banner's strip whatever their own size.
  banner_->SetBannerRect(0, 0, kClientWidth, kBannerHeight);
}

void COrvikDlg::UiAddBannerPicture(const std::filesystem::path& file) { banner_->AddImage(file); }

void COrvikDlg::UiShowAboutBox() {
  CAboutDlg about(BoxParent());
  about.exec();
}

void COrvikDlg::UiOpenProgressDialog() { progress_->Create(this); }

void COrvikDlg::UiSetProgressDialog(const std::string& status, int percent) {
  progress_->ShowProgress(QString::fromUtf8(status), percent);
}

void COrvikDlg::UiCloseProgressDialog() { progress_->DestroyWindow(); }

void COrvikDlg::UiStartTimer(int timerId, int periodMs) {
  QTimer*& timer = timers_[timerId];
  if (!timer) {
    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this,
            [this, timerId] { Forward([timerId](WindowEvents& l) { l.OnTimer(timerId); }); });
  }
  // Starting a running timer again restarts it with the new period.
  timer->start(periodMs);
}

void COrvikDlg::UiStopTimer(int timerId) {
  const auto it = timers_.find(timerId);
  if (it != timers_.end()) it->second->stop();
}

void COrvikDlg::UiDeliverMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  Forward([&](WindowEvents& logic) { logic.OnWindowMessage(message, wParam, lParam); });
}

bool COrvikDlg::UiAskYesNo(const std::string& text) {
  return RunQuestionBox(BoxParent(), QString::fromStdString(text));
}

void COrvikDlg::UiShowMessage(const std::string& text, MessageIcon icon) {
  RunNoticeBox(BoxParent(), QString::fromStdString(text), icon);
}

bool COrvikDlg::UiOpenAddress(const std::string& address) {
  return opener_ ? opener_(QString::fromStdString(address)) : false;
}

}  // namespace orvik::ui
