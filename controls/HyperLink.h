// A text label that behaves as a web link: underlined, blue, orange under
// the mouse, and opened with the desktop's browser on a click.
#pragma once

#include <QLabel>
#include <functional>

class CHyperLink : public QLabel {
    Q_OBJECT
public:
    explicit CHyperLink(QWidget* parent = nullptr);

    void SetAddress(const QString& address);
    // A click runs handler instead of opening the address (a link whose
    // target needs a check first).
    void SetClickHandler(std::function<void()> handler) { m_onClick = std::move(handler); }
    const QString& address() const { return m_address; }
    void SetUnderline(bool on);
    bool IsHovering() const { return m_hover; }
    bool IsVisited() const { return m_visited; }

    // The text colour for the state: hover wins over visited.
    static QColor TextColor(bool hover, bool visited);

protected:
    void showEvent(QShowEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void Attach();
    void ApplyLook();

    QString m_address;
    std::function<void()> m_onClick;
    bool m_hover = false;
    bool m_visited = false;
    bool m_underline = true;
    bool m_attached = false;
};
