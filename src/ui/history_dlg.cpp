#include "ui/history_dlg.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/user_texts.h"
#include "platform/path_text.h"

namespace orvik::ui {

namespace {

QString Text(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

CHistoryDlg::CHistoryDlg(const std::filesystem::path& moduleDir, QWidget* parent)
    : QDialog(parent), view_(HistoryView::Load(moduleDir)) {
  setWindowTitle(QString::fromUtf8(text::kHistoryCaption));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  resize(720, 420);

  updates_ = new QTreeWidget(this);
  updates_->setRootIsDecorated(false);
  updates_->setUniformRowHeights(true);
  updates_->setSelectionMode(QAbstractItemView::SingleSelection);
  QStringList titles;
  for (const std::string& title : HistoryView::ColumnTitles()) titles << Text(title);
  updates_->setHeaderLabels(titles);
  for (std::size_t row = 0; row < view_.RowCount(); ++row) {
    QStringList cells;
    for (const std::string& cell : view_.Cells(row)) cells << Text(cell);
    auto* item = new QTreeWidgetItem(updates_, cells);
    for (int column : {3, 4}) item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
  }
  for (int column = 0; column < updates_->columnCount() - 1; ++column)
    updates_->resizeColumnToContents(column);

  songs_ = new QListWidget(this);
  songs_->setFixedWidth(150);
  export_ = new QPushButton(QString::fromUtf8(text::kHistoryExport), this);
  auto* close = new QPushButton(QString::fromUtf8(text::kHistoryClose), this);
  close->setDefault(true);

  auto* right = new QVBoxLayout;
  right->addWidget(new QLabel(QString::fromUtf8(text::kHistorySongsTitle), this));
  right->addWidget(songs_, 1);
  right->addWidget(export_);
  auto* lists = new QHBoxLayout;
  if (view_.RowCount() == 0) {
    auto* empty = new QLabel(QString::fromUtf8(text::kHistoryEmpty), this);
    empty->setAlignment(Qt::AlignCenter);
    auto* left = new QVBoxLayout;
    left->addWidget(empty);
    left->addWidget(updates_, 1);
    lists->addLayout(left, 1);
  } else {
    lists->addWidget(updates_, 1);
  }
  lists->addLayout(right);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(lists, 1);
  layout->addLayout(buttons);

  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(export_, &QPushButton::clicked, this, &CHistoryDlg::AskAndExport);
  connect(updates_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    ShowRow(item ? updates_->indexOfTopLevelItem(item) : -1);
  });
  if (view_.RowCount() > 0) {
    updates_->setCurrentItem(updates_->topLevelItem(0));
  } else {
    ShowRow(-1);
  }
}

void CHistoryDlg::ShowRow(int row) {
  songs_->clear();
  const bool valid = row >= 0 && static_cast<std::size_t>(row) < view_.RowCount();
  if (valid)
    for (const std::string& line : view_.SongLines(static_cast<std::size_t>(row)))
      songs_->addItem(Text(line));
  export_->setEnabled(valid && view_.CanExport(static_cast<std::size_t>(row)));
}

bool CHistoryDlg::ExportTo(const std::filesystem::path& file) {
  const int row = updates_->indexOfTopLevelItem(updates_->currentItem());
  if (row < 0 || !view_.CanExport(static_cast<std::size_t>(row))) return false;
  if (ExportNewSongs(file, view_.Entry(static_cast<std::size_t>(row)))) return true;
  QMessageBox::warning(
      this, QString::fromUtf8(text::kHistoryCaption),
      QString::fromUtf8(text::kHistoryExportFailed) + Text(platform::PathToUtf8(file)));
  return false;
}

void CHistoryDlg::AskAndExport() {
  const int row = updates_->indexOfTopLevelItem(updates_->currentItem());
  if (row < 0 || !view_.CanExport(static_cast<std::size_t>(row))) return;
  const QString textFilter = QString::fromUtf8(text::kHistoryExportText);
  const QString csvFilter = QString::fromUtf8(text::kHistoryExportCsv);
  QString chosenFilter = textFilter;
  QString name = QFileDialog::getSaveFileName(
      this, QString::fromUtf8(text::kHistoryExportTitle),
      Text(DefaultExportName(view_.Entry(static_cast<std::size_t>(row)), ExportFormat::Text)),
      textFilter + QStringLiteral(";;") + csvFilter, &chosenFilter);
  if (name.isEmpty()) return;
  // A name typed without an extension takes the chosen kind's.
  if (QFileInfo(name).suffix().isEmpty())
    name += chosenFilter == csvFilter ? QStringLiteral(".csv") : QStringLiteral(".txt");
  ExportTo(platform::PathFromUtf8(name.toStdString()));
}

}  // namespace orvik::ui
