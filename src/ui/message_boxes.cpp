#include "ui/message_boxes.h"
#include "core/user_texts.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace orvik::ui {

namespace {

QMessageBox::Icon ToQt(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Stop:
      return QMessageBox::Critical;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QString BoxTitle() {
  const QString name = QCoreApplication::applicationName();
  return name.isEmpty() ? QStringLiteral("Orvik") : name;
}

bool RunQuestionBox(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Question, BoxTitle(), text, QMessageBox::NoButton, parent);
  QPushButton* yes = box.addButton(QString::fromUtf8(text::kBoxYes), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QString::fromUtf8(text::kBoxNo), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

void RunNoticeBox(QWidget* parent, const QString& text, MessageIcon icon) {
  QMessageBox box(ToQt(icon), BoxTitle(), text, QMessageBox::NoButton, parent);
  QPushButton* ok = box.addButton(QString::fromUtf8(text::kBoxOk), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
}

}  // namespace orvik::ui
