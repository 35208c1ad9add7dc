#pragma once
// Readable gtest output for the Qt values the window tests compare.

#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QColor& colour, std::ostream* out) { *out << colour.name().toStdString(); }
inline void PrintTo(const QPoint& point, std::ostream* out) { *out << '(' << point.x() << ", " << point.y() << ')'; }
inline void PrintTo(const QPointF& point, std::ostream* out) { *out << '(' << point.x() << ", " << point.y() << ')'; }
inline void PrintTo(const QSize& size, std::ostream* out) { *out << size.width() << 'x' << size.height(); }
QT_END_NAMESPACE
