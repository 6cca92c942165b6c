// The isotope pattern drawn as sticks over a profile, with the value under
// the mouse. The wheel, or + and - with the focus, zooms the m/z axis about
// the mouse or the middle; the arrow keys pan; a double click or 0 shows the
// whole pattern again.
#pragma once

#include <QWidget>
#include <optional>
#include <utility>
#include <vector>

#include "mass/pattern.h"

namespace zorvan {

class PatternPlot : public QWidget {
  Q_OBJECT

 public:
  explicit PatternPlot(QWidget* parent = nullptr);

  // Shows `sticks` (m/z ascending) and, when not empty, `profile` under them.
  void SetPattern(std::vector<mass::Peak> sticks, std::vector<mass::ProfilePoint> profile);

  // Write the plot as the window shows it, at its current size. Return false
  // when the file cannot be written.
  bool SavePng(const QString& path) const;
  bool SaveSvg(const QString& path) const;

  QSize sizeHint() const override { return {520, 300}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Draws the axes, the profile, the sticks and the readout into `area`.
  void Draw(QPainter& painter, QRect area, bool withMouse) const;
  // The m/z range drawn: the zoomed range, or the sticks' range with a
  // margin on each side.
  std::pair<double, double> MzRange() const;
  // Narrows (factor < 1) or widens the drawn range about `centre`, keeping
  // `centre` where it is on the screen; a range wider than the whole pattern
  // is the whole pattern.
  void Zoom(double centre, double factor);
  // Returns the m/z under the window coordinate `x`.
  double MzAt(double x) const;

  std::vector<mass::Peak> sticks_;
  std::vector<mass::ProfilePoint> profile_;
  std::optional<std::pair<double, double>> zoom_;
  int mouseX_ = -1;  // -1 while the mouse is elsewhere
};

}  // namespace zorvan
