#include "ui/tool_widgets.h"

#include <QAbstractItemModel>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>

#include "ui/controls.h"

namespace zorvan {
namespace {

// The ions a chemist meets most, in the notation ParseIon reads.
const char* const IonPresets[] = {"[M+H]+",   "[M+Na]+",   "[M+K]+",      "[M+NH4]+",   "[M+Li]+", "[M-H]-",
                                  "[M+Cl]-",  "[M+HCOO]-", "[M+CH3COO]-", "[M]+",       "[M]-",    "[2M+H]+",
                                  "[2M+Na]+", "[M+2H]2+",  "[M+H+Na]2+",  "[M+H-H2O]+", "M"};

}  // namespace

QLineEdit* MakeLineEdit(const char* name, QWidget* parent) { return Named<QLineEdit>(name, parent); }

QLineEdit* MakeReadOnly(const char* name, QWidget* parent) {
  QLineEdit* box = MakeLineEdit(name, parent);
  box->setReadOnly(true);
  // Tab moves between what can be typed or pressed; a click still selects.
  box->setFocusPolicy(Qt::ClickFocus);
  return box;
}

QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent) {
  auto* button = Named<QPushButton>(name, parent);
  button->setText(caption);
  PressOnEnter({button});
  return button;
}

QLabel* MakeMessageLabel(const char* name, QWidget* parent) {
  auto* label = Named<QLabel>(name, parent);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setStyleSheet(QStringLiteral("color: #b00000;"));
  return label;
}

QComboBox* MakeIonChooser(const char* name, QWidget* parent) {
  auto* chooser = Named<QComboBox>(name, parent);
  chooser->setEditable(true);
  chooser->setInsertPolicy(QComboBox::NoInsert);
  chooser->setMaxVisibleItems(int(std::size(IonPresets)));
  for (const char* ion : IonPresets) chooser->addItem(QLatin1String(ion));
  return chooser;
}

void OnIonChosen(QComboBox* chooser, QObject* context, std::function<void()> chosen) {
  QObject::connect(chooser, &QComboBox::activated, context, chosen);
  QObject::connect(chooser->lineEdit(), &QLineEdit::editingFinished, context, chosen);
}

QTableWidget* MakeResultGrid(const char* name, const QStringList& headers, QWidget* parent) {
  auto* grid = Named<QTableWidget>(name, parent);
  grid->setColumnCount(int(headers.size()));
  grid->setHorizontalHeaderLabels(headers);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
  grid->horizontalHeader()->setStretchLastSection(true);
  // Tab leaves the grid for the next control; arrows move within it.
  grid->setTabKeyNavigation(false);
  return grid;
}

void SetCells(QTableWidget* grid, int row, const QStringList& cells) {
  for (int column = 0; column < cells.size(); ++column) {
    auto* item = new QTableWidgetItem(cells[column]);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->setItem(row, column, item);
  }
}

QString Fixed(double value, int decimals) {
  QString text = QString::number(value, 'f', decimals);
  if (text.startsWith(u'-') && text.toDouble() == 0) text.remove(0, 1);
  return text;
}

QString TableAsTsv(const QAbstractItemModel* model) {
  QString tsv;
  auto line = [&](int count, auto&& cell) {
    for (int i = 0; i < count; ++i) tsv += (i ? QStringLiteral("\t") : QString()) + cell(i);
    tsv += QStringLiteral("\r\n");
  };
  line(model->columnCount(), [&](int column) { return model->headerData(column, Qt::Horizontal).toString(); });
  for (int row = 0; row < model->rowCount(); ++row)
    line(model->columnCount(), [&](int column) { return model->index(row, column).data().toString(); });
  return tsv;
}

void PutBoth(const QString& plain, const QString& html) {
  auto* data = new QMimeData;
  data->setText(plain);
  data->setHtml(html);
  QGuiApplication::clipboard()->setMimeData(data);
}

}  // namespace zorvan
