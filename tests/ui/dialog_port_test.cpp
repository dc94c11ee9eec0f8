// The Qt window under the bridge: calls from other threads reach the widgets on the UI
// thread in order, its boxes answer the workers' questions, closing releases them, and the
// operator's clicks reach the logic.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <thread>

#include "window/control_ids.h"
#include "fake_logic.h"
#include "ui/image_button.h"
#include "ui/orvik_dlg.h"

namespace orvik::test {
namespace {

using ui::COrvikDlg;

class DialogPortTest : public ::testing::Test {
 protected:
  void SetUp() override { dlg.AttachLogic(&logic); }
  void TearDown() override {
    if (worker.joinable()) worker.join();
  }
  QLabel* Label(int id) { return qobject_cast<QLabel*>(dlg.Control(id)); }

  FakeLogic logic;
  COrvikDlg dlg;
  std::thread worker;
};

// Answers every message box as it opens, by pressing the button with the given role. The box
// runs its own event loop, so the answer has to come from inside it.
class BoxAnswerer : public QObject {
 public:
  explicit BoxAnswerer(QMessageBox::ButtonRole role) : role_(role) {
    qApp->installEventFilter(this);
  }
  ~BoxAnswerer() override { qApp->removeEventFilter(this); }
  QStringList texts;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (box && event->type() == QEvent::Show) {
      texts << box->text();
      QTimer::singleShot(0, box, [box, role = role_] {
        for (QAbstractButton* button : box->buttons()) {
          if (box->buttonRole(button) == role) button->click();
        }
      });
    }
    return false;
  }

 private:
  QMessageBox::ButtonRole role_;
};

TEST_F(DialogPortTest, WorkerCallsArriveOnTheUiThreadInOrder) {
  constexpr int kMessages = 200;
  worker = std::thread([&] {
    dlg.SetControlText(ctl::kStatusLine, "다운로드 중..");
    dlg.ShowControl(ctl::kUpdateButton, false);
    dlg.ShowControl(ctl::kRunButton, true);
    dlg.SetProgressPos(ctl::kProgressBar, 42);
    for (int i = 0; i < kMessages; ++i) {
      dlg.SetControlText(ctl::kByteProgressLabel, std::to_string(i));
      dlg.PostWindowMessage(WM_UPDATE_STATE, 0, i);
    }
  });
  ASSERT_TRUE(PumpUntil([&] { return logic.CallsOf("message").size() == kMessages; }));
  worker.join();
  const auto messages = logic.CallsOf("message");
  for (int i = 0; i < kMessages; ++i) {
    EXPECT_EQ(messages[i].id, WM_UPDATE_STATE);
    EXPECT_EQ(messages[i].lParam, i);
    EXPECT_EQ(messages[i].thread, dlg.thread());
  }
  EXPECT_EQ(Label(ctl::kStatusLine)->text().toStdString(), "다운로드 중..");
  EXPECT_EQ(Label(ctl::kByteProgressLabel)->text(), QString::number(kMessages - 1));
  EXPECT_FALSE(dlg.ImageButton(ctl::kUpdateButton)->isVisibleTo(&dlg));
  EXPECT_TRUE(dlg.ImageButton(ctl::kRunButton)->isVisibleTo(&dlg));
  EXPECT_EQ(qobject_cast<QProgressBar*>(dlg.Control(ctl::kProgressBar))->value(), 42);
}

TEST_F(DialogPortTest, PostedMessagesWaitForTheEventLoopEvenOnTheUiThread) {
  dlg.PostWindowMessage(WM_BANNERS_READY, 7, 8);
  EXPECT_TRUE(logic.CallsOf("message").empty());
  ASSERT_TRUE(PumpUntil([&] { return !logic.CallsOf("message").empty(); }));
  EXPECT_EQ(logic.CallsOf("message")[0].wParam, 7);
  EXPECT_EQ(logic.CallsOf("message")[0].lParam, 8);
}

TEST_F(DialogPortTest, AskYesNoFromAWorkerWaitsForTheAnswer) {
  std::atomic<int> answer{-1};
  worker = std::thread([&] {
    answer = dlg.AskYesNo("곡 리스트를 새로 만드시겠습니까?") ? 1 : 0;
    WakeUi();
  });
  {
    BoxAnswerer yes(QMessageBox::YesRole);
    ASSERT_TRUE(PumpUntil([&] { return answer != -1; }));
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(yes.texts, QStringList{QString::fromUtf8("곡 리스트를 새로 만드시겠습니까?")});
  }
  worker.join();
  answer = -1;

  worker = std::thread([&] {
    answer = dlg.AskYesNo("again?") ? 1 : 0;
    WakeUi();
  });
  BoxAnswerer no(QMessageBox::NoRole);
  ASSERT_TRUE(PumpUntil([&] { return answer != -1; }));
  EXPECT_EQ(answer, 0);
}

TEST_F(DialogPortTest, ShowMessageFromAWorkerReturnsOnceRead) {
  std::atomic<bool> returned{false};
  worker = std::thread([&] {
    dlg.ShowMessage("Failed to open URL: x", MessageIcon::Stop);
    returned = true;
    WakeUi();
  });
  BoxAnswerer ok(QMessageBox::AcceptRole);
  ASSERT_TRUE(PumpUntil([&] { return returned.load(); }));
  EXPECT_EQ(ok.texts, QStringList{QStringLiteral("Failed to open URL: x")});
}

TEST_F(DialogPortTest, ClosingReleasesAWaitingWorkerSoTheLogicCanJoinIt) {
  std::atomic<bool> started{false};
  std::atomic<int> answer{-1};
  worker = std::thread([&] {
    started = true;
    answer = dlg.AskYesNo("never answered") ? 1 : 0;
  });
  while (!started) std::this_thread::yield();
  // The logic joins its workers in OnClose, on the UI thread, before the question ran.
  logic.onClose = [&] { worker.join(); };
  dlg.done(0);
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(logic.CallsOf("close").size(), 1u);
  // After closing nothing waits and nothing more reaches the logic.
  EXPECT_FALSE(dlg.AskYesNo("late"));
  dlg.PostWindowMessage(WM_DOWNLOAD_FINISHED, 0, 0);
  QCoreApplication::processEvents();
  EXPECT_TRUE(logic.CallsOf("message").empty());
  dlg.done(0);
  EXPECT_EQ(logic.CallsOf("close").size(), 1u);
}

TEST_F(DialogPortTest, TimersTickIntoTheLogicUntilStopped) {
  worker = std::thread([&] { dlg.StartTimer(timer::kEventPoll, 1); });
  ASSERT_TRUE(PumpUntil([&] { return logic.CallsOf("timer").size() >= 3; }));
  for (const auto& call : logic.CallsOf("timer")) {
    EXPECT_EQ(call.id, timer::kEventPoll);
    EXPECT_EQ(call.thread, dlg.thread());
  }
  dlg.StopTimer(timer::kEventPoll);
  logic.Clear();
  // A message posted now is handled after any tick already queued; none may follow it.
  dlg.PostWindowMessage(WM_SET_PROGRESS, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return !logic.CallsOf("message").empty(); }));
  const auto calls = logic.Calls();
  EXPECT_EQ(calls.back().kind, "message");
}

TEST_F(DialogPortTest, CheckBoxesAndListForwardTheOperatorsChoice) {
  auto* box = qobject_cast<QAbstractButton*>(dlg.Control(ctl::kUseConfigBox));
  box->click();
  box->click();
  const auto clicks = logic.CallsOf("checkbox");
  ASSERT_EQ(clicks.size(), 2u);
  EXPECT_EQ(clicks[0].id, ctl::kUseConfigBox);
  EXPECT_EQ(clicks[0].wParam, 1);  // what the box shows after the click
  EXPECT_EQ(clicks[1].wParam, 0);
  EXPECT_TRUE(logic.CallsOf("command").empty());

  // Set by the logic: nothing comes back.
  dlg.SetControlChecked(ctl::kUseConfigBox, true);
  EXPECT_TRUE(box->isChecked());
  EXPECT_EQ(logic.CallsOf("checkbox").size(), 2u);

  dlg.SetListItems(ctl::kProgramList, {"tunovaPRONEW", "tunovaPRO", "tunovaNEW", "tunova"}, 1);
  auto* combo = qobject_cast<QComboBox*>(dlg.Control(ctl::kProgramList));
  ASSERT_EQ(combo->count(), 4);
  EXPECT_EQ(combo->itemText(0).toStdString(), "tunova");
  EXPECT_EQ(combo->itemText(3).toStdString(), "tunovaPRONEW");
  EXPECT_EQ(combo->currentText().toStdString(), "tunovaPRO");
  EXPECT_TRUE(logic.CallsOf("list").empty());
  combo->setCurrentIndex(0);
  ASSERT_EQ(logic.CallsOf("list").size(), 1u);
  EXPECT_EQ(logic.CallsOf("list")[0].text, "tunova");
}

// "실행" leads the menu only while the run button is not shown; the last item is About.
TEST_F(DialogPortTest, ContextMenuItemsAreTheirCommands) {
  for (const bool offersRun : {false, true}) {
    logic.offersRun = offersRun;
    QMenu* menu = dlg.CreateContextMenu();
    ASSERT_EQ(menu->actions().size(), offersRun ? 2 : 1);
    EXPECT_EQ(menu->actions().back()->text().toStdString(), "Orvik 정보(&A)...");
    menu->actions()[0]->trigger();
    EXPECT_EQ(logic.CallsOf("command").back().id, offersRun ? ctl::kRunButton : ctl::kAboutCommand);
  }
}

TEST_F(DialogPortTest, EnterAndEscapeEndTheDialogOnlyWhenTheLogicAgrees) {
  dlg.show();
  for (const int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    logic.mayClose = false;
    QTest::keyClick(&dlg, static_cast<Qt::Key>(key));
    EXPECT_TRUE(dlg.isVisible()) << key;
  }
  EXPECT_EQ(logic.CallsOf("mayclose").size(), 3u);
  EXPECT_TRUE(logic.CallsOf("close").empty());
  logic.mayClose = true;
  QTest::keyClick(&dlg, Qt::Key_Return);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(logic.CallsOf("close").size(), 1u);
}

TEST_F(DialogPortTest, AboutBoxShowsItsTexts) {
  QTimer::singleShot(0, [] {
    auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(about, nullptr);
    QStringList texts;
    for (auto* label : about->findChildren<QLabel*>()) texts << label->text();
    // For the technician: the folder and the last update (none beside the test program).
    EXPECT_EQ(texts.filter(QString::fromUtf8("설치 폴더: /")).size(), 1);
    EXPECT_TRUE(texts.contains(QString::fromUtf8("마지막 곡 업데이트: 없음")));
    // And the MIDI outputs the player could play into, or why they are not known.
    EXPECT_EQ(texts.filter(QString::fromUtf8("MIDI 출력: ")).size(), 1);
    auto buttons = about->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    buttons[0]->click();
  });
  dlg.ShowAboutBox();  // returns once the box is closed
}

TEST_F(DialogPortTest, OpenAddressUsesTheOpenerOnTheUiThread) {
  QThread* openedOn = nullptr;
  QString opened;
  dlg.SetAddressOpener([&](const QString& address) {
    openedOn = QThread::currentThread();
    opened = address;
    return false;
  });
  std::atomic<int> result{-1};
  worker = std::thread([&] {
    result = dlg.OpenAddress("https://songs.example/api/app/banner/event/event-update") ? 1 : 0;
    WakeUi();
  });
  ASSERT_TRUE(PumpUntil([&] { return result != -1; }));
  EXPECT_EQ(result, 0);
  EXPECT_EQ(openedOn, dlg.thread());
  EXPECT_EQ(opened.toStdString(), "https://songs.example/api/app/banner/event/event-update");
}

TEST_F(DialogPortTest, ActivationReachesTheLogic) {
  dlg.show();
  dlg.activateWindow();
  ASSERT_TRUE(PumpUntil([&] {
    const auto calls = logic.CallsOf("activate");
    return !calls.empty() && calls.back().id == 1;
  }));
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(PumpUntil([&] { return logic.CallsOf("activate").back().id == 0; }));
  dlg.hide();
}

TEST_F(DialogPortTest, StartUpRunsOnceWhenFirstShown) {
  EXPECT_TRUE(logic.CallsOf("init").empty());
  dlg.show();
  dlg.hide();
  dlg.show();
  EXPECT_EQ(logic.CallsOf("init").size(), 1u);
  dlg.hide();
}

}  // namespace
}  // namespace orvik::test
