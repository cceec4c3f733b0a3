#pragma once
// Records the regions the toolkit paints of a widget, less its scroll bar
// (the toolkit also paints a widget beneath its scroll bar when the bar
// changes), so a test can tell which rows a change repainted.

#include <QEvent>
#include <QObject>
#include <QPaintEvent>
#include <QPointer>
#include <QRegion>
#include <QScrollBar>
#include <QWidget>
#include <vector>

#include "framework/testing/EventPump.h"

class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* widget) : m_widget(widget) { widget->installEventFilter(this); }
    ~PaintRecorder() override {
        if (m_widget) m_widget->removeEventFilter(this);
    }
    PaintRecorder(const PaintRecorder&) = delete;
    PaintRecorder& operator=(const PaintRecorder&) = delete;

    std::vector<QRegion> paints;

    [[nodiscard]] QRegion All() const {
        QRegion all;
        for (const QRegion& r : paints) all += r;
        return all;
    }

    // Pumps until the widget has painted or `ms` have passed, then a little
    // longer: a second request in the same frame would show up then.
    void PumpFrames(int ms = 200) {
        PumpUntil([&] { return !paints.empty(); }, ms);
        PumpUntil([] { return false; }, 40);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_widget && event->type() == QEvent::Paint) {
            QRegion text = static_cast<QPaintEvent*>(event)->region();
            if (const auto* bar = m_widget->findChild<QScrollBar*>()) text -= bar->geometry();
            if (!text.isEmpty()) paints.push_back(text);
        }
        return false;
    }

private:
    QPointer<QWidget> m_widget;
};
