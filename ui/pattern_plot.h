// The isotope pattern as a figure: the calculated sticks over their
// profile, measured peaks laid over them when there are any, a legend and a
// title; the same figure on the screen and in a saved file.
//
// The wheel zooms the m/z axis about the mouse; with Ctrl held, or over the
// intensity axis, it zooms the intensity axis, whose baseline stays at 0.
// Dragging a rectangle zooms to it. With the focus, + and - zoom the m/z
// axis, the up and down arrows the intensity axis, left and right pan; a
// double click, 0 or Home shows the whole pattern again.
#pragma once

#include <QString>
#include <QWidget>
#include <optional>
#include <utility>
#include <vector>

#include "mass/pattern.h"
#include "mass/profile.h"

class QFontMetricsF;

namespace zorvan {

class PatternPlot : public QWidget {
  Q_OBJECT

 public:
  // What is drawn: the m/z range and the top of the intensity axis, in percent.
  struct View {
    double Low = 0, High = 0, Top = 0;
  };

  explicit PatternPlot(QWidget* parent = nullptr);

  // Shows `sticks` (m/z ascending) and, when not empty, `profile` under
  // them: the whole pattern, or with `keepZoom` the part zoomed into.
  void SetPattern(std::vector<mass::Peak> sticks, std::vector<mass::ProfilePoint> profile, bool keepZoom = false);
  // Lays measured peaks (m/z ascending, percent) over the pattern; none
  // when empty. The zoom stays.
  void SetMeasured(std::vector<mass::Peak> measured);
  // The title above the figure, as plain text (the SVG file's title) and
  // as HTML (drawn).
  void SetTitle(const QString& plain, const QString& html);

  View CurrentView() const;

  // Save the figure as it is zoomed, `width` pixels wide at 300 dpi (a PNG
  // file), or of the same size at that resolution (an SVG file); the file
  // appears whole or not at all. Return an empty string, or why the file
  // could not be written.
  QString SavePng(const QString& path, int width) const;
  QString SaveSvg(const QString& path, int width) const;

  QSize sizeHint() const override { return {520, 320}; }

 public slots:
  // Shows the whole pattern again, on both axes.
  void ResetZoom();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct Frame;  // where the title, the legend and the plot go

  Frame Layout(const QFontMetricsF& metrics, QRectF area) const;
  // Draws the figure into `area`; `pixels` device pixels make one unit of
  // `area`; with `withMouse`, the readout and the dragged rectangle too.
  void Draw(QPainter& painter, QRectF area, double pixels, bool withMouse) const;
  void DrawTitle(QPainter& painter, const Frame& frame) const;
  void DrawAxes(QPainter& painter, const Frame& frame) const;
  void DrawData(QPainter& painter, const Frame& frame, double pixels) const;
  void DrawLegend(QPainter& painter, const Frame& frame) const;
  void DrawMouse(QPainter& painter, const Frame& frame) const;
  // The whole m/z range: every stick and measured peak, with a margin.
  std::pair<double, double> WholeRange() const;
  // Narrows (factor < 1) or widens the m/z range about `centre`, keeping
  // `centre` where it is on the screen; wider than the whole is the whole.
  void Zoom(double centre, double factor);
  // Lowers (factor < 1) or raises the top of the intensity axis.
  void ZoomTop(double factor);
  // The widget's own frame, for the mouse.
  Frame ScreenFrame() const;
  bool Empty() const { return sticks_.empty() && measured_.empty(); }

  std::vector<mass::Peak> sticks_, measured_;
  std::vector<mass::ProfilePoint> profile_;
  QString title_, titleHtml_;
  std::optional<std::pair<double, double>> zoom_;
  double top_;
  int mouseX_ = -1;                  // -1 while the mouse is elsewhere
  std::optional<QPointF> dragFrom_;  // where a drag to zoom began
  QPointF dragTo_;
};

}  // namespace zorvan
