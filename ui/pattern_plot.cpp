#include "ui/pattern_plot.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgGenerator>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace zorvan {
namespace {

constexpr int LeftMargin = 64, RightMargin = 16, TopMargin = 24, BottomMargin = 42;
constexpr int HoverPixels = 8;  // how near the mouse a stick must be to be read out

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

}  // namespace

PatternPlot::PatternPlot(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(320, 200);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
}

void PatternPlot::SetPattern(std::vector<mass::Peak> sticks, std::vector<mass::ProfilePoint> profile) {
  sticks_ = std::move(sticks);
  profile_ = std::move(profile);
  zoom_.reset();
  update();
}

std::pair<double, double> PatternPlot::MzRange() const {
  if (zoom_) return *zoom_;
  double low = sticks_.front().Mz, high = sticks_.back().Mz;
  if (!profile_.empty()) {
    low = std::min(low, profile_.front().Mz);
    high = std::max(high, profile_.back().Mz);
  }
  // A lone stick, or a fine group a few mDa wide, still gets a readable axis.
  const double margin = std::max((high - low) * 0.08, 0.5);
  return {low - margin, high + margin};
}

void PatternPlot::Draw(QPainter& painter, QRect area, bool withMouse) const {
  painter.fillRect(area, Qt::white);
  const QRect plot = area.adjusted(LeftMargin, TopMargin, -RightMargin, -BottomMargin);
  const QFontMetrics metrics(painter.font());
  painter.setPen(Qt::black);
  // 相対強度 (%), along the vertical axis
  painter.save();
  painter.translate(area.left() + metrics.height(), plot.center().y());
  painter.rotate(-90);
  painter.drawText(QRect(-plot.height() / 2, -metrics.height(), plot.height(), metrics.height() * 2), Qt::AlignCenter,
                   QStringLiteral(u"\u76F8\u5BFE\u5F37\u5EA6 (%)"));
  painter.restore();
  painter.drawText(QRect(plot.left(), area.bottom() - metrics.height(), plot.width(), metrics.height()),
                   Qt::AlignCenter, QStringLiteral("m/z"));
  painter.drawLine(plot.bottomLeft(), plot.bottomRight());
  painter.drawLine(plot.bottomLeft(), plot.topLeft());

  auto y = [&](double relative) { return plot.bottom() - relative / 100.0 * plot.height(); };
  for (int percent = 0; percent <= 100; percent += 20) {
    const int at = int(std::lround(y(percent)));
    painter.drawLine(plot.left() - 4, at, plot.left(), at);
    painter.drawText(QRect(area.left(), at - metrics.height() / 2, LeftMargin - 8, metrics.height()),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(percent));
  }
  if (sticks_.empty()) return;

  const auto [low, high] = MzRange();
  auto x = [&](double mz) { return plot.left() + (mz - low) / (high - low) * plot.width(); };
  const double step = TickStep(high - low, std::max(2, plot.width() / 90));
  const int decimals = TickDecimals(step);
  for (double tick = std::ceil(low / step) * step; tick <= high; tick += step) {
    const int at = int(std::lround(x(tick)));
    painter.drawLine(at, plot.bottom(), at, plot.bottom() + 4);
    painter.drawText(QRect(at - 60, plot.bottom() + 6, 120, metrics.height()), Qt::AlignCenter,
                     QString::number(tick, 'f', decimals));
  }

  painter.save();
  painter.setClipRect(plot.adjusted(0, -TopMargin, 0, 0));
  painter.setRenderHint(QPainter::Antialiasing);
  if (!profile_.empty()) {
    // Many thousand samples may fall on one pixel column: each column draws
    // its highest, so that a peak narrower than a pixel keeps its height.
    std::vector<double> top(size_t(plot.width()) + 1, -1);
    for (const mass::ProfilePoint& point : profile_) {
      const long column = std::lround(x(point.Mz)) - plot.left();
      if (column >= 0 && column < long(top.size())) top[size_t(column)] = std::max(top[size_t(column)], point.Relative);
    }
    QPolygonF line;
    for (size_t column = 0; column < top.size(); ++column)
      if (top[column] >= 0) line << QPointF(plot.left() + double(column), y(top[column]));
    painter.setPen(QPen(QColor(200, 80, 60), 1.2));
    painter.drawPolyline(line);
  }
  painter.setPen(QPen(QColor(30, 70, 170), 1.5));
  for (const mass::Peak& peak : sticks_)
    painter.drawLine(QPointF(x(peak.Mz), plot.bottom()), QPointF(x(peak.Mz), y(peak.Relative)));
  painter.restore();

  if (!withMouse || mouseX_ < plot.left() || mouseX_ > plot.right()) return;
  // The stick nearest the mouse, read out when it is near enough; else the
  // m/z under the mouse.
  const double mouseMz = low + (mouseX_ - plot.left()) / double(plot.width()) * (high - low);
  auto nearest = std::min_element(sticks_.begin(), sticks_.end(), [&](const mass::Peak& a, const mass::Peak& b) {
    return std::abs(a.Mz - mouseMz) < std::abs(b.Mz - mouseMz);
  });
  QString readout = QStringLiteral("m/z %1").arg(mouseMz, 0, 'f', 5);
  if (std::abs(x(nearest->Mz) - mouseX_) <= HoverPixels) {
    readout = QStringLiteral("m/z %1   %2 %").arg(nearest->Mz, 0, 'f', 5).arg(nearest->Relative, 0, 'f', 2);
    painter.setPen(QPen(QColor(230, 120, 0), 2.5));
    painter.drawLine(QPointF(x(nearest->Mz), plot.bottom()), QPointF(x(nearest->Mz), y(nearest->Relative)));
  }
  painter.setPen(QPen(Qt::gray, 1, Qt::DotLine));
  painter.drawLine(mouseX_, plot.top(), mouseX_, plot.bottom());
  painter.setPen(Qt::black);
  painter.drawText(QRect(plot.left(), area.top() + 2, plot.width(), TopMargin - 4), Qt::AlignRight | Qt::AlignVCenter,
                   readout);
}

double PatternPlot::MzAt(double x) const {
  const auto [low, high] = MzRange();
  return low + (x - LeftMargin) / std::max(1, width() - LeftMargin - RightMargin) * (high - low);
}

void PatternPlot::Zoom(double centre, double factor) {
  if (sticks_.empty()) return;
  const auto [low, high] = MzRange();
  zoom_.reset();
  const auto [wholeLow, wholeHigh] = MzRange();
  // Narrower than a hundred-thousandth of a unit shows nothing new.
  const double span = std::max((high - low) * factor, 1e-5);
  if (span >= wholeHigh - wholeLow) {
    update();
    return;
  }
  const double left = centre - (centre - low) * span / (high - low);
  zoom_ = {left, left + span};
  update();
}

void PatternPlot::wheelEvent(QWheelEvent* event) {
  Zoom(MzAt(event->position().x()), event->angleDelta().y() > 0 ? 0.8 : 1.25);
  event->accept();
}

void PatternPlot::mouseDoubleClickEvent(QMouseEvent*) {
  zoom_.reset();
  update();
}

void PatternPlot::keyPressEvent(QKeyEvent* event) {
  if (sticks_.empty()) return QWidget::keyPressEvent(event);
  const auto [low, high] = MzRange();
  const double middle = (low + high) / 2, step = (high - low) / 10;
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      Zoom(middle, 0.8);
      break;
    case Qt::Key_Minus:
      Zoom(middle, 1.25);
      break;
    case Qt::Key_0:
    case Qt::Key_Home:
      zoom_.reset();
      update();
      break;
    case Qt::Key_Left:
    case Qt::Key_Right:
      if (zoom_) {
        const double shift = event->key() == Qt::Key_Left ? -step : step;
        zoom_ = {low + shift, high + shift};
        update();
      }
      break;
    default:
      QWidget::keyPressEvent(event);
  }
}

void PatternPlot::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  Draw(painter, rect(), true);
  if (hasFocus()) {
    painter.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

void PatternPlot::mouseMoveEvent(QMouseEvent* event) {
  mouseX_ = int(event->position().x());
  update();
}

void PatternPlot::leaveEvent(QEvent*) {
  mouseX_ = -1;
  update();
}

bool PatternPlot::SavePng(const QString& path) const {
  QImage image(size(), QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setFont(font());
  Draw(painter, image.rect(), false);
  painter.end();
  return image.save(path, "PNG");
}

bool PatternPlot::SaveSvg(const QString& path) const {
  QSvgGenerator svg;
  svg.setFileName(path);
  svg.setSize(size());
  svg.setViewBox(rect());
  svg.setTitle(QStringLiteral("isotope pattern"));
  QPainter painter;
  if (!painter.begin(&svg)) return false;
  // The file names the family the text was set in, not the one asked for,
  // which a viewer elsewhere may not know under that name.
  QFont shown = font();
  shown.setFamily(QFontInfo(shown).family());
  painter.setFont(shown);
  Draw(painter, rect(), false);
  return painter.end();
}

}  // namespace zorvan
