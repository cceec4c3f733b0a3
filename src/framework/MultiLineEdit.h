#pragma once
// Inside the framework only: the widget behind a multi-line EDIT control.
// Its text counts characters as the classic edit control does: a line
// break is CR LF, two characters. Long lines wrap at the control's width;
// the line count counts display rows.

#include <QScrollBar>
#include <QWidget>
#include <string>

#include "framework/WinDef.h"
#include "framework/Widgets.h"

class MultiLineEditWidget : public QWidget, public TextWindow {
public:
    MultiLineEditWidget(QWidget* parent, DWORD style);

    [[nodiscard]] std::string GetText() const override { return m_text; }
    void SetText(std::string_view text) override;

    void SetSelection(long start, long end);
    [[nodiscard]] long SelectionStart() const { return m_selStart; }
    [[nodiscard]] long SelectionEnd() const { return m_selEnd; }
    void ReplaceSelection(std::string_view text);
    void SetReadOnly(bool readOnly);
    [[nodiscard]] bool IsReadOnly() const { return m_readOnly; }
    // 0 lifts the limit as far as the control allows.
    void SetLimit(long limit);
    [[nodiscard]] long Limit() const { return m_limit; }
    void ScrollCaretIntoView();
    [[nodiscard]] int DisplayRowCount() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Row {
        long start;
        long length;
    };
    [[nodiscard]] std::vector<Row> Layout() const;
    [[nodiscard]] int ColumnsPerRow() const;
    void RouteMouse(UINT message, QMouseEvent* event);

    std::string m_text;
    long m_selStart = 0;
    long m_selEnd = 0;
    long m_limit = 30000;
    bool m_readOnly = false;
    int m_topRow = 0;
    QScrollBar* m_scrollBar;
};
