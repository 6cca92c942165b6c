// The isotope pattern drawn as sticks over a profile, with the value under
// the mouse.
#pragma once

#include <QWidget>
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

 private:
  // Draws the axes, the profile, the sticks and the readout into `area`.
  void Draw(QPainter& painter, QRect area, bool withMouse) const;
  // The m/z range drawn: the sticks' range with a margin on each side.
  std::pair<double, double> MzRange() const;

  std::vector<mass::Peak> sticks_;
  std::vector<mass::ProfilePoint> profile_;
  int mouseX_ = -1;  // -1 while the mouse is elsewhere
};

}  // namespace zorvan
