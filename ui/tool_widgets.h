// The controls the tool windows (mass, formula finder) build alike.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QAbstractItemModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QObject;
class QPushButton;
class QTableWidget;
class QWidget;

namespace zorvan {

// Returns a new T under `parent` with the object name `name`, by which the
// tests find it.
template <typename T>
T* Named(const char* name, QWidget* parent) {
  auto* widget = new T(parent);
  widget->setObjectName(QLatin1String(name));
  return widget;
}

QLineEdit* MakeLineEdit(const char* name, QWidget* parent);
// A box that shows a result: read-only, still selectable and copyable.
QLineEdit* MakeReadOnly(const char* name, QWidget* parent);
// A button that Enter presses while it has the focus.
QPushButton* MakeButton(const char* name, const QString& caption, QWidget* parent);
// A label for refusals: red, wrapping, selectable.
QLabel* MakeMessageLabel(const char* name, QWidget* parent);
// An editable chooser of the ion notation with the usual ions; [M+H]+ chosen.
QComboBox* MakeIonChooser(const char* name, QWidget* parent);
// Calls `chosen` when an ion is picked from the list or typed and confirmed
// (Enter, or the focus leaving the box).
void OnIonChosen(QComboBox* chooser, QObject* context, std::function<void()> chosen);
// A read-only grid with `headers`, whole rows selected.
QTableWidget* MakeResultGrid(const char* name, const QStringList& headers, QWidget* parent);
// Writes `cells` into `row` of `grid`.
void SetCells(QTableWidget* grid, int row, const QStringList& cells);
// Returns `value` with `decimals` decimals and "." as the point; a value
// that rounds to zero is written without a minus sign.
QString Fixed(double value, int decimals);
// Returns the header and every row of `model`, cells split by tabs, lines
// ended by CR LF as the program's other clipboard texts.
QString TableAsTsv(const QAbstractItemModel* model);
// Puts `plain` and `html` on the clipboard together, as one copy.
void PutBoth(const QString& plain, const QString& html);

}  // namespace zorvan
