#include "ui/pattern_plot.h"

#include <QImage>
#include <QImageWriter>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QTextDocument>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace zorvan {
namespace {

// The top of the intensity axis when the whole pattern shows: a little above
// 100%, so that the highest stick and its marker stand clear of the edge.
constexpr double FullTop = 105;
constexpr double MinTop = 0.1;        // the intensity axis zooms in no further (percent)
constexpr double MinSpan = 1e-6;      // nor the m/z axis (u)
constexpr int HoverPixels = 8;        // how near the mouse a stick must be to be read out
constexpr int DragPixels = 6;         // a drag shorter than this is a click
constexpr int MaxTicks = 100;         // on the m/z axis, whatever its range
constexpr double ExportDpi = 300;     // written into the files, and the figure's resolution
constexpr double LogicalDpi = 96;     // the figure is laid out as on a screen of this resolution
constexpr double ExportAspect = 0.6;  // height over width
constexpr int ExportTextPixels = 13;  // at 96 dpi: 9.75 pt in the figure

const QColor StickColour(0, 80, 170), ProfileColour(213, 94, 0), MeasuredColour(0, 150, 100);

// Returns a tick step of 1, 2 or 5 times a power of ten that cuts `range`
// into about `count` parts.
double TickStep(double range, int count) {
  const double raw = range / count;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double factor : {1.0, 2.0, 5.0})
    if (raw <= factor * power) return factor * power;
  return 10 * power;
}

// Decimals enough to tell ticks `step` apart.
int TickDecimals(double step) { return std::max(0, int(std::ceil(-std::log10(step) - 1e-9))); }

QFont Scaled(QFont font, double factor) {
  if (font.pixelSize() > 0)
    font.setPixelSize(int(std::lround(font.pixelSize() * factor)));
  else
    font.setPointSizeF(font.pointSizeF() * factor);
  return font;
}

// The measured peaks' mark: a ring on top of the stick, which tells them
// from the calculated sticks in a grey print too.
void DrawMark(QPainter& painter, QPointF top, double radius) {
  painter.setBrush(Qt::white);
  painter.drawEllipse(top, radius, radius);
  painter.setBrush(Qt::NoBrush);
}

}  // namespace

struct PatternPlot::Frame {
  QRectF Title, Legend, Plot;
  double Low = 0, High = 1, Top = FullTop;
  double Line = 0;  // the height of a line of text

  double X(double mz) const { return Plot.left() + (mz - Low) / (High - Low) * Plot.width(); }
  double Y(double relative) const { return Plot.bottom() - relative / Top * Plot.height(); }
  double MzAt(double x) const { return Low + (x - Plot.left()) / Plot.width() * (High - Low); }
  double RelativeAt(double y) const { return (Plot.bottom() - y) / Plot.height() * Top; }
};

PatternPlot::PatternPlot(QWidget* parent) : QWidget(parent), top_(FullTop) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(320, 220);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
}

void PatternPlot::SetPattern(std::vector<mass::Peak> sticks, std::vector<mass::ProfilePoint> profile, bool keepZoom) {
  sticks_ = std::move(sticks);
  profile_ = std::move(profile);
  if (keepZoom)
    update();
  else
    ResetZoom();
}

void PatternPlot::SetMeasured(std::vector<mass::Peak> measured) {
  measured_ = std::move(measured);
  update();
}

void PatternPlot::SetTitle(const QString& plain, const QString& html) {
  title_ = plain;
  titleHtml_ = html;
  update();
}

void PatternPlot::ResetZoom() {
  zoom_.reset();
  top_ = FullTop;
  update();
}

PatternPlot::View PatternPlot::CurrentView() const {
  const auto [low, high] = zoom_ ? *zoom_ : WholeRange();
  return {low, high, top_};
}

std::pair<double, double> PatternPlot::WholeRange() const {
  if (Empty()) return {0, 1};
  double low = INFINITY, high = -INFINITY;
  for (const auto* peaks : {&sticks_, &measured_})
    if (!peaks->empty()) {
      low = std::min(low, peaks->front().Mz);
      high = std::max(high, peaks->back().Mz);
    }
  if (!profile_.empty()) {
    low = std::min(low, profile_.front().Mz);
    high = std::max(high, profile_.back().Mz);
  }
  // A lone stick, or a fine group a few mDa wide, still gets a readable axis.
  const double margin = std::max((high - low) * 0.08, 0.5);
  return {low - margin, high + margin};
}

PatternPlot::Frame PatternPlot::Layout(const QFontMetricsF& metrics, QRectF area) const {
  Frame frame;
  frame.Line = metrics.height();
  double y = area.top() + frame.Line * 0.3;
  if (!title_.isEmpty()) {
    frame.Title = QRectF(area.left(), y, area.width(), frame.Line * 1.5);
    y += frame.Line * 1.5;
  }
  frame.Legend = QRectF(area.left() + frame.Line, y, area.width() - 2 * frame.Line, frame.Line * 1.2);
  y += frame.Line * 1.8;
  const double left = area.left() + frame.Line * 1.8 + metrics.horizontalAdvance(QStringLiteral("100.00")) + 8;
  frame.Plot = QRectF(QPointF(left, y), QPointF(area.right() - frame.Line * 1.2, area.bottom() - frame.Line * 2.8));
  const View view = CurrentView();
  frame.Low = view.Low;
  frame.High = view.High;
  frame.Top = view.Top;
  return frame;
}

PatternPlot::Frame PatternPlot::ScreenFrame() const { return Layout(QFontMetricsF(font()), rect()); }

void PatternPlot::Draw(QPainter& painter, QRectF area, double pixels, bool withMouse) const {
  painter.fillRect(area, Qt::white);
  const Frame frame = Layout(QFontMetricsF(painter.font()), area);
  DrawTitle(painter, frame);
  DrawAxes(painter, frame);
  if (!Empty()) DrawData(painter, frame, pixels);
  // The axes over the data, whose profile runs along the baseline.
  painter.setPen(QPen(Qt::black, 1));
  painter.drawLine(frame.Plot.bottomLeft(), frame.Plot.bottomRight());
  painter.drawLine(frame.Plot.bottomLeft(), frame.Plot.topLeft());
  if (Empty()) return;
  DrawLegend(painter, frame);
  if (withMouse) DrawMouse(painter, frame);
}

void PatternPlot::DrawTitle(QPainter& painter, const Frame& frame) const {
  if (title_.isEmpty()) return;
  QTextDocument title;
  title.setDocumentMargin(0);
  title.setDefaultFont(Scaled(painter.font(), 1.15));
  title.setDefaultTextOption(QTextOption(Qt::AlignHCenter));
  title.setHtml(QStringLiteral("<b>") + titleHtml_ + QStringLiteral("</b>"));
  title.setTextWidth(frame.Title.width());
  painter.save();
  painter.translate(frame.Title.topLeft());
  title.drawContents(&painter);
  painter.restore();
}

void PatternPlot::DrawAxes(QPainter& painter, const Frame& frame) const {
  const QRectF& plot = frame.Plot;
  const double line = frame.Line;
  painter.setPen(QPen(Qt::black, 1));
  painter.save();  // 相対強度 (%), along the intensity axis
  painter.translate(plot.left() - line * 0.6 - painter.fontMetrics().horizontalAdvance(QStringLiteral("100.00")) - 8,
                    plot.center().y());
  painter.rotate(-90);
  painter.drawText(QRectF(-plot.height() / 2, -line * 1.2, plot.height(), line * 1.2),
                   Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral(u"\u76F8\u5BFE\u5F37\u5EA6 (%)"));
  painter.restore();
  QFont italic = painter.font();
  italic.setItalic(true);
  painter.save();
  painter.setFont(italic);
  painter.drawText(QRectF(plot.left(), plot.bottom() + line * 1.5, plot.width(), line * 1.2), Qt::AlignCenter,
                   QStringLiteral("m/z"));
  painter.restore();
  const double yStep = TickStep(frame.Top, 6);
  for (double tick = 0; tick <= frame.Top * (1 + 1e-9); tick += yStep) {
    const double at = frame.Y(tick);
    painter.drawLine(QPointF(plot.left() - 4, at), QPointF(plot.left(), at));
    painter.drawText(QRectF(plot.left() - 200, at - line / 2, 194, line), Qt::AlignRight | Qt::AlignVCenter,
                     QString::number(tick, 'f', TickDecimals(yStep)));
  }
  if (Empty()) return;
  const double xStep = TickStep(frame.High - frame.Low, std::max(2, int(plot.width() / 90)));
  // Counted, not summed: far out on the m/z axis a step can be lost in the
  // rounding of the tick before it.
  const double first = std::ceil(frame.Low / xStep);
  for (double k = 0, tick = first * xStep; tick <= frame.High && k < MaxTicks; tick = (first + ++k) * xStep) {
    const double at = frame.X(tick);
    painter.drawLine(QPointF(at, plot.bottom()), QPointF(at, plot.bottom() + 4));
    painter.drawText(QRectF(at - 60, plot.bottom() + 6, 120, line), Qt::AlignHCenter | Qt::AlignTop,
                     QString::number(tick, 'f', TickDecimals(xStep)));
  }
}

void PatternPlot::DrawData(QPainter& painter, const Frame& frame, double pixels) const {
  painter.save();
  painter.setClipRect(frame.Plot.adjusted(-4, 0, 4, 0));  // room for a mark at either end
  painter.setRenderHint(QPainter::Antialiasing);
  const int columns = int(std::ceil(frame.Plot.width() * pixels));
  const std::vector<mass::ProfilePoint> shown = mass::VisibleProfile(profile_, frame.Low, frame.High, columns);
  QPolygonF line;
  for (const mass::ProfilePoint& point : shown) line << QPointF(frame.X(point.Mz), frame.Y(point.Relative));
  painter.setPen(QPen(ProfileColour, 1.2));
  painter.drawPolyline(line);
  const auto stick = [&](const mass::Peak& peak) {
    return QLineF(frame.X(peak.Mz), frame.Plot.bottom(), frame.X(peak.Mz), frame.Y(peak.Relative));
  };
  // Measured sticks first and wider, so that a calculated stick on the same
  // m/z shows inside one.
  painter.setPen(QPen(MeasuredColour, 3.5, Qt::SolidLine, Qt::FlatCap));
  for (const mass::Peak& peak : measured_) painter.drawLine(stick(peak));
  painter.setPen(QPen(StickColour, 1.5, Qt::SolidLine, Qt::FlatCap));
  for (const mass::Peak& peak : sticks_) painter.drawLine(stick(peak));
  painter.setPen(QPen(MeasuredColour, 1.5));
  for (const mass::Peak& peak : measured_) DrawMark(painter, stick(peak).p2(), 3);
  painter.restore();
}

void PatternPlot::DrawLegend(QPainter& painter, const Frame& frame) const {
  struct Entry {
    QColor Colour;
    bool Stick, Mark;
    QString Text;
  };
  std::vector<Entry> entries;
  if (!sticks_.empty()) entries.push_back({StickColour, true, false, QStringLiteral(u"\u8A08\u7B97\u5024")});  // 計算値
  if (!profile_.empty())
    entries.push_back({ProfileColour, false, false, QStringLiteral(u"\u30D7\u30ED\u30D5\u30A1\u30A4\u30EB")});
  if (!measured_.empty()) entries.push_back({MeasuredColour, true, true, QStringLiteral(u"\u6E2C\u5B9A\u5024")});
  const QFontMetricsF metrics(painter.font());
  const double sample = frame.Line * 1.5, gap = frame.Line * 0.4, space = frame.Line * 1.2;
  double x = frame.Legend.right();
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    x -= metrics.horizontalAdvance(it->Text);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(x, frame.Legend.top(), frame.Line * 20, frame.Legend.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, it->Text);
    x -= gap + sample;
    const double middle = frame.Legend.center().y();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(it->Colour, it->Mark ? 3.5 : it->Stick ? 1.5 : 1.2, Qt::SolidLine, Qt::FlatCap));
    if (it->Stick)
      painter.drawLine(QPointF(x + sample / 2, frame.Legend.bottom()), QPointF(x + sample / 2, frame.Legend.top()));
    else
      painter.drawLine(QPointF(x, middle), QPointF(x + sample, middle));
    if (it->Mark) {
      painter.setPen(QPen(it->Colour, 1.5));
      DrawMark(painter, QPointF(x + sample / 2, frame.Legend.top()), 3);
    }
    painter.restore();
    x -= space;
  }
}

void PatternPlot::DrawMouse(QPainter& painter, const Frame& frame) const {
  const QRectF& plot = frame.Plot;
  if (dragFrom_) {
    painter.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    painter.drawRect(QRectF(*dragFrom_, dragTo_).normalized().intersected(plot));
  }
  if (mouseX_ < plot.left() || mouseX_ > plot.right()) return;
  // The calculated or measured peak nearest the mouse, read out when it is
  // near enough; else the m/z under the mouse.
  const double mouseMz = frame.MzAt(mouseX_);
  QString readout = QStringLiteral("m/z %1").arg(mouseMz, 0, 'f', 5);
  const mass::Peak* nearest = nullptr;
  bool measured = false;
  for (const auto* peaks : {&sticks_, &measured_})
    for (const mass::Peak& peak : *peaks)
      if (!nearest || std::abs(peak.Mz - mouseMz) < std::abs(nearest->Mz - mouseMz)) {
        nearest = &peak;
        measured = peaks == &measured_;
      }
  if (nearest && std::abs(frame.X(nearest->Mz) - mouseX_) <= HoverPixels) {
    readout = (measured ? QStringLiteral(u"\u6E2C\u5B9A\u5024  ") : QString()) +
              QStringLiteral("m/z %1   %2 %").arg(nearest->Mz, 0, 'f', 5).arg(nearest->Relative, 0, 'f', 2);
    painter.save();
    painter.setClipRect(plot);
    painter.setPen(QPen(QColor(230, 120, 0), 2.5));
    painter.drawLine(QPointF(frame.X(nearest->Mz), plot.bottom()),
                     QPointF(frame.X(nearest->Mz), frame.Y(nearest->Relative)));
    painter.restore();
  }
  painter.setPen(QPen(Qt::gray, 1, Qt::DotLine));
  painter.drawLine(QPointF(mouseX_, plot.top()), QPointF(mouseX_, plot.bottom()));
  painter.setPen(Qt::black);
  painter.drawText(frame.Legend, Qt::AlignLeft | Qt::AlignVCenter, readout);
}

void PatternPlot::Zoom(double centre, double factor) {
  if (Empty()) return;
  const View view = CurrentView();
  const double low = view.Low, high = view.High;
  const auto [wholeLow, wholeHigh] = WholeRange();
  const double span = std::max((high - low) * factor, MinSpan);
  if (span >= wholeHigh - wholeLow) {
    zoom_.reset();
  } else {
    const double left = centre - (centre - low) * span / (high - low);
    zoom_ = {left, left + span};
  }
  update();
}

void PatternPlot::ZoomTop(double factor) {
  top_ = std::clamp(top_ * factor, MinTop, FullTop);
  update();
}

void PatternPlot::wheelEvent(QWheelEvent* event) {
  const double factor = event->angleDelta().y() > 0 ? 0.8 : 1.25;
  const Frame frame = ScreenFrame();
  if (event->modifiers() & Qt::ControlModifier || event->position().x() < frame.Plot.left())
    ZoomTop(factor);
  else
    Zoom(frame.MzAt(event->position().x()), factor);
  event->accept();
}

void PatternPlot::mouseDoubleClickEvent(QMouseEvent*) { ResetZoom(); }

void PatternPlot::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || Empty() || !ScreenFrame().Plot.contains(event->position()))
    return QWidget::mousePressEvent(event);
  dragFrom_ = dragTo_ = event->position();
}

void PatternPlot::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragFrom_ || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  const Frame frame = ScreenFrame();
  const QRectF band = QRectF(*dragFrom_, event->position()).normalized().intersected(frame.Plot);
  dragFrom_.reset();
  if (band.width() >= DragPixels) {
    const double low = frame.MzAt(band.left()), high = std::max(frame.MzAt(band.right()), low + MinSpan);
    zoom_ = {low, high};
  }
  if (band.height() >= DragPixels) top_ = std::clamp(frame.RelativeAt(band.top()), MinTop, FullTop);
  update();
}

void PatternPlot::keyPressEvent(QKeyEvent* event) {
  if (Empty()) return QWidget::keyPressEvent(event);
  const View view = CurrentView();
  const double middle = (view.Low + view.High) / 2, step = (view.High - view.Low) / 10;
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      return Zoom(middle, 0.8);
    case Qt::Key_Minus:
      return Zoom(middle, 1.25);
    case Qt::Key_Up:
      return ZoomTop(0.8);
    case Qt::Key_Down:
      return ZoomTop(1.25);
    case Qt::Key_0:
    case Qt::Key_Home:
      return ResetZoom();
    case Qt::Key_Left:
    case Qt::Key_Right:
      if (zoom_) {
        const double shift = event->key() == Qt::Key_Left ? -step : step;
        zoom_ = {view.Low + shift, view.High + shift};
        update();
      }
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void PatternPlot::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  Draw(painter, rect(), devicePixelRatioF(), true);
  if (hasFocus()) {
    painter.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

void PatternPlot::mouseMoveEvent(QMouseEvent* event) {
  mouseX_ = int(event->position().x());
  if (dragFrom_) dragTo_ = event->position();
  update();
}

void PatternPlot::leaveEvent(QEvent*) {
  mouseX_ = -1;
  update();
}

namespace {

// The figure's size as laid out at LogicalDpi, for `width` pixels at ExportDpi.
QSizeF ExportSize(int width) { return QSizeF(width, width * ExportAspect) * (LogicalDpi / ExportDpi); }

// The widget's font at the figure's fixed size, and under the name of the
// family the text is set in, which a viewer elsewhere may know when it does
// not know the one asked for.
QFont ExportFont(const QFont& font) {
  QFont shown = font;
  shown.setFamily(QFontInfo(font).family());
  shown.setPixelSize(ExportTextPixels);
  return shown;
}

}  // namespace

QString PatternPlot::SavePng(const QString& path, int width) const {
  const QSizeF size = ExportSize(width);
  QImage image(width, int(std::lround(width * ExportAspect)), QImage::Format_RGB32);
  image.setDotsPerMeterX(int(std::lround(ExportDpi / 0.0254)));
  image.setDotsPerMeterY(int(std::lround(ExportDpi / 0.0254)));
  QPainter painter(&image);
  painter.scale(ExportDpi / LogicalDpi, ExportDpi / LogicalDpi);
  painter.setFont(ExportFont(font()));
  Draw(painter, QRectF(QPointF(0, 0), size), ExportDpi / LogicalDpi, false);
  painter.end();
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  QImageWriter writer(&file, "png");
  if (!writer.write(image)) return writer.errorString();
  return file.commit() ? QString() : file.errorString();
}

QString PatternPlot::SaveSvg(const QString& path, int width) const {
  const QSizeF size = ExportSize(width);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  QSvgGenerator svg;
  svg.setOutputDevice(&file);
  svg.setSize(size.toSize());
  svg.setViewBox(QRectF(QPointF(0, 0), size));
  svg.setResolution(int(LogicalDpi));
  svg.setTitle(title_);
  QPainter painter;
  if (!painter.begin(&svg)) return file.errorString();
  painter.setFont(ExportFont(font()));
  Draw(painter, QRectF(QPointF(0, 0), size), ExportDpi / LogicalDpi, false);
  if (!painter.end()) return file.errorString();
  return file.commit() ? QString() : file.errorString();
}

}  // namespace zorvan
