// A link text that opens its address when clicked (or when Enter or Space is pressed while it
// has the focus). Opening goes through a launcher the owner can replace, so tests never start
// a browser.
#pragma once

#include <QLabel>
#include <QUrl>
#include <functional>

namespace Calvorn {

class CHyperLink : public QLabel {
    Q_OBJECT

public:
    using Launcher = std::function<bool(const QUrl&)>;

    explicit CHyperLink(QWidget* parent = nullptr);

    // Shows `text`; the address (a local one as its path) is the tooltip, and the target.
    void SetLink(const QString& text, const QUrl& address);
    const QUrl& Address() const { return m_address; }

    // Replaces the default launcher, the desktop's program for the address.
    void SetLauncher(Launcher launcher);

    // Opens the address through the launcher; false when there is none or it fails.
    bool Open();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void ApplyColour(bool hover);

    QUrl m_address;
    Launcher m_launcher;
};

}  // namespace Calvorn
