// The window port of the main window. Workers call it from their own threads: every call
// that changes the window is queued onto the UI thread (in call order), questions wait for
// their answer, and state reads come from a mirror that is updated when a change is asked
// for, so a worker reads back what it has just set.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "core/log.h"
#include "ui/about_dlg.h"
#include "ui/image_button.h"
#include "ui/message_boxes.h"
#include "ui/orvik_dlg.h"
#include "ui/progress_dlg.h"
#include "ui/rolling_banner.h"
#include "ui/status_picture.h"

namespace orvik::ui {

void COrvikDlg::RunOnUi(std::function<void()> call) {
  if (QThread::currentThread() == thread()) {
    call();
    return;
  }
  QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

template <typename T>
T COrvikDlg::WaitOnUi(std::function<T()> call, T whenClosing) {
  if (QThread::currentThread() == thread()) return closing_ ? whenClosing : call();
  // Not a blocking queued call: the UI thread may be joining this worker while it closes,
  // and then only the closing flag can release the wait.
  auto result = std::make_shared<std::optional<T>>();
  QMetaObject::invokeMethod(
      this,
      [this, call = std::move(call), result, whenClosing] {
        T value = closing_ ? whenClosing : call();
        {
          std::lock_guard lock(mutex_);
          *result = value;
        }
        answered_.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(mutex_);
  answered_.wait(lock, [&] { return result->has_value() || closing_; });
  return result->value_or(whenClosing);
}

void COrvikDlg::SetControlText(int id, const std::string& text) {
  RunOnUi([this, id, text = QString::fromStdString(text)] {
    QWidget* widget = Control(id);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      button->setText(text);
    }
  });
}

void COrvikDlg::ShowControl(int id, bool show) {
  MirrorUpdate(id, [show](ControlMirror& m) { m.visible = show; });
  RunOnUi([this, id, show] {
    if (QWidget* widget = Control(id)) widget->setVisible(show);
  });
}

void COrvikDlg::SetControlChecked(int id, bool checked) {
  MirrorUpdate(id, [checked](ControlMirror& m) { m.checked = checked; });
  RunOnUi([this, id, checked] {
    if (CImageButton* button = ImageButton(id)) {
      button->SetChecked(checked);
    } else if (auto* box = qobject_cast<QAbstractButton*>(Control(id))) {
      box->setChecked(checked);
    }
  });
}

bool COrvikDlg::IsControlChecked(int id) {
  std::lock_guard lock(mutex_);
  const auto it = mirror_.find(id);
  return it != mirror_.end() && it->second.checked;
}

bool COrvikDlg::IsControlVisible(int id) {
  std::lock_guard lock(mutex_);
  const auto it = mirror_.find(id);
  return it != mirror_.end() && it->second.visible;
}

void COrvikDlg::EnableControl(int id, bool enable) {
  MirrorUpdate(id, [enable](ControlMirror& m) { m.enabled = enable; });
  RunOnUi([this, id, enable] {
    // An image button keeps taking clicks when disabled; it only shows its disabled face
    // and the logic ignores its command.
    if (CImageButton* button = ImageButton(id)) {
      button->SetDisabled(!enable);
    } else if (QWidget* widget = Control(id)) {
      widget->setEnabled(enable);
    }
  });
}

bool COrvikDlg::IsControlEnabled(int id) {
  std::lock_guard lock(mutex_);
  const auto it = mirror_.find(id);
  return it != mirror_.end() && it->second.enabled;
}

void COrvikDlg::RedrawControl(int id) {
  RunOnUi([this, id] {
    if (QWidget* widget = Control(id)) widget->update();
  });
}

void COrvikDlg::InvalidateArea(const Rect& area) {
  RunOnUi([this, area] {
    const QRect dirty(area.left, area.top, area.right - area.left, area.bottom - area.top);
    update(dirty);
    if (dirty.intersects(statusPicture_->geometry())) statusPicture_->update();
  });
}

void COrvikDlg::SetProgressPos(int id, int pos) {
  RunOnUi([this, id, pos] {
    if (auto* bar = qobject_cast<QProgressBar*>(Control(id))) bar->setValue(pos);
  });
}

void COrvikDlg::SetListItems(int id, const std::vector<std::string>& items, int selected) {
  std::vector<QString> texts;
  for (const auto& item : items) texts.push_back(QString::fromStdString(item));
  const QString chosen =
      selected >= 0 && selected < static_cast<int>(texts.size()) ? texts[selected] : QString();
  RunOnUi([this, id, texts = std::move(texts), chosen]() mutable {
    auto* combo = qobject_cast<QComboBox*>(Control(id));
    if (!combo) return;
    // The list is a sorted one: entries appear in alphabetical order whatever order they
    // were given in.
    std::stable_sort(texts.begin(), texts.end(), [](const QString& a, const QString& b) {
      return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    const QSignalBlocker quiet(combo);  // only the operator's choice is a selection change
    combo->clear();
    for (const auto& text : texts) combo->addItem(text);
    combo->setCurrentIndex(chosen.isNull() ? -1 : combo->findText(chosen));
  });
}

void COrvikDlg::SetBannerPictures(const std::vector<std::filesystem::path>& files) {
  RunOnUi([this, files] {
    banner_->SetImages(files);
    // The pictures are stretched over the banner's strip whatever their own size.
    banner_->SetBannerRect(0, 0, kClientWidth, kBannerHeight);
  });
}

void COrvikDlg::AddBannerPicture(const std::filesystem::path& file) {
  RunOnUi([this, file] { banner_->AddImage(file); });
}

void COrvikDlg::ShowAboutBox() {
  RunOnUi([this] {
    CAboutDlg about(BoxParent());
    about.exec();
  });
}

void COrvikDlg::OpenProgressDialog() {
  RunOnUi([this] { progress_->Create(this); });
}

void COrvikDlg::StartTimer(int timerId, int periodMs) {
  RunOnUi([this, timerId, periodMs] {
    if (closing_) return;
    QTimer*& timer = timers_[timerId];
    if (!timer) {
      timer = new QTimer(this);
      connect(timer, &QTimer::timeout, this,
              [this, timerId] { Forward([timerId](WindowEvents& l) { l.OnTimer(timerId); }); });
    }
    // Starting a running timer again restarts it with the new period.
    timer->start(periodMs);
  });
}

void COrvikDlg::StopTimer(int timerId) {
  RunOnUi([this, timerId] {
    const auto it = timers_.find(timerId);
    if (it != timers_.end()) it->second->stop();
  });
}

void COrvikDlg::PostWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  // Always queued, also from the UI thread: the sender goes on before the message is handled.
  QMetaObject::invokeMethod(
      this,
      [this, message, wParam, lParam] {
        Forward([&](WindowEvents& logic) { logic.OnWindowMessage(message, wParam, lParam); });
      },
      Qt::QueuedConnection);
}

bool COrvikDlg::AskYesNo(const std::string& text) {
  logging::Info("question: " + text);
  const QString question = QString::fromStdString(text);
  return WaitOnUi<bool>([this, question] { return RunQuestionBox(BoxParent(), question); }, false);
}

void COrvikDlg::ShowMessage(const std::string& text, MessageIcon icon) {
  // Modal for the caller too: a worker goes on once the operator has read the message.
  logging::Info("message: " + text);
  const QString notice = QString::fromStdString(text);
  WaitOnUi<bool>(
      [this, notice, icon] {
        RunNoticeBox(BoxParent(), notice, icon);
        return true;
      },
      false);
}

bool COrvikDlg::OpenAddress(const std::string& address) {
  const QString target = QString::fromStdString(address);
  return WaitOnUi<bool>([this, target] { return opener_ ? opener_(target) : false; }, false);
}

}  // namespace orvik::ui
