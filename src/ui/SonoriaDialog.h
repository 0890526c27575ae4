#pragma once

#include <QDialog>

#include <functional>

class QBoxLayout;
class QPushButton;

// The base of every secondary window: modal, lives for one call, takes the font size of the settings
// when shown, and keeps its place in the configuration file under its section ("frm_" and its name):
// the position only, or the position and size (fitted into the work area when read).
class SonoriaDialog : public QDialog {
public:
    enum class Placement { None, Position, Bounds, Centred };
    SonoriaDialog(const QString& section, Placement placement, QWidget* parent = nullptr);
    const QString& section() const { return m_section; }
    // A window with a font size of its own instead of the settings' one.
    void setFontSize(int points) { m_fontSize = points; }
    void setVisible(bool visible) override;

protected:
    void done(int result) override;
    // Stores the place; called once when the window closes.
    virtual void storePlacement();

private:
    void place(); // font size and place from the settings, once before the first showing
    QString m_section;
    Placement m_placement;
    int m_fontSize = 0;
    bool m_placed = false;
    bool m_stored = false;
};

// A window of fixed size: only its title and close box in the frame, no maximise or minimise button.
// Does nothing to a window whose size may change. Call it before the window is first shown
// (SonoriaDialog does it for itself).
void FixedSizeFrame(QWidget* window);

// A window's place as it is stored: the corner of its frame (where it is moved back to) and the size
// of its contents.
QRect FormBounds(const QWidget* window);

// The "OK" and "Mégsem" buttons of a dialog (object names "ok" and "cancel"): Mégsem rejects, OK runs
// onOk (accept when empty). okIsDefault: Enter presses OK.
struct OkCancelButtons {
    QPushButton* ok;
    QPushButton* cancel;
};
OkCancelButtons MakeOkCancel(QDialog* dialog, bool okIsDefault = false, std::function<void()> onOk = {});
// The same two buttons at least 90 pixels wide, right-aligned in a row added to the layout.
OkCancelButtons AddOkCancelRow(QDialog* dialog, QBoxLayout* layout, std::function<void()> onOk);
