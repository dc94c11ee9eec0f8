#include "ui/about_dlg.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/skin_resources.h"

#ifndef ORVIK_VERSION
#define ORVIK_VERSION "0.9.1"
#endif

namespace orvik::ui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  InitSkinResources();
  setWindowTitle(QString::fromUtf8("튜노바프로 신곡 관리 정보"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(QStringLiteral(":/icon/orvik.png")).pixmap(32, 32));
  icon->setFixedSize(32, 32);
  auto* name = new QLabel(QString::fromUtf8("튜노바프로 신곡 관리"), this);
  auto* version = new QLabel(VersionLine(), this);
  auto* ok = new QPushButton(QString::fromUtf8("확인"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* texts = new QVBoxLayout;
  texts->addWidget(name);
  texts->addWidget(version);
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addSpacing(12);
  top->addLayout(texts, 1);
  top->addSpacing(12);
  top->addWidget(ok, 0, Qt::AlignTop);
  setLayout(top);
  setFixedSize(sizeHint().expandedTo(QSize(340, 90)));
}

QString CAboutDlg::VersionLine() { return QStringLiteral("Orvik " ORVIK_VERSION); }

}  // namespace orvik::ui
