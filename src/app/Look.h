#pragma once

#include <QColor>
#include <QString>

#include <QRect>
#include <utility>

class QAbstractButton;
class QLabel;
class QWidget;

namespace orv {

struct ProgramState;

// The colour the buttons sit on, and the skin's background under its picture.
inline const QColor kSkinBackgroundColour{64, 0, 128};

// Gives a button the program's look (red and rounded, blue under the mouse, green while
// pressed, a yellow rim while it has the focus, white bold Arial caption) and its caption. The caption goes to the
// button as given: "&&" shows as one ampersand. Enter and Space press a push button that has the focus.
void FormatButton(QAbstractButton* button, const QString& caption);

// Changes the caption of a button that already has the look.
void setButtonCaption(QAbstractButton* button, const QString& caption);

// The pressed state of a toggle button with the look.
void setButtonValue(QAbstractButton* button, bool pressed);
bool getButtonValue(const QAbstractButton* button);

// Loads the active skin's picture of the given base name into the label; a label whose
// picture cannot be found keeps what it shows.
void SkinPicture(const ProgramState& state, QLabel* picture, const QString& baseName);

// The logo of the splash and the new-version window, "imgLogo": the program's name in gold until a
// skin picture replaces it.
QLabel* logoLabel(QWidget* window, const QRect& geometry, int pointSize);

// The version caption of the splash and the new-version window: "lblVersion" in white over its black
// shadow "lblVersion2", two pixels lower right. Returns both, lblVersion first.
std::pair<QLabel*, QLabel*> versionLabels(QWidget* window, const QRect& geometry, int pointSize);

}  // namespace orv
