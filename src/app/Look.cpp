#include "app/Look.h"

#include "extras/Skins.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace orv {
namespace {

const QString kButtonStyle = QStringLiteral(
    "QAbstractButton {"
    "  background-color: rgb(255, 0, 0);"
    "  color: rgb(255, 255, 255);"
    "  font-family: Arial, 'Liberation Sans';"
    "  font-weight: 900;"
    "  font-size: 9pt;"
    "  border: 2px solid rgb(64, 0, 128);"
    "  border-radius: 8px;"
    "  padding: 4px 10px;"
    "}"
    "QAbstractButton:focus { border-color: rgb(255, 255, 0); }"
    "QAbstractButton:hover { background-color: rgb(0, 0, 255); color: rgb(255, 255, 0); }"
    "QAbstractButton:pressed, QAbstractButton:checked { background-color: rgb(0, 128, 0); color: rgb(255, 255, 0); }"
    "QAbstractButton:disabled { background-color: rgb(150, 90, 90); color: rgb(220, 220, 220); }");

}  // namespace

void FormatButton(QAbstractButton* button, const QString& caption) {
    button->setStyleSheet(kButtonStyle);
    button->setCursor(Qt::PointingHandCursor);
    // Enter presses the button that has the focus, as Space does, in the main window too and not
    // only in a dialog.
    if (auto* push = qobject_cast<QPushButton*>(button)) push->setAutoDefault(true);
    setButtonCaption(button, caption);
}

void setButtonCaption(QAbstractButton* button, const QString& caption) {
    button->setText(caption);
}

void setButtonValue(QAbstractButton* button, bool pressed) {
    button->setCheckable(true);
    button->setChecked(pressed);
}

bool getButtonValue(const QAbstractButton* button) {
    return button->isChecked();
}

void SkinPicture(const ProgramState& state, QLabel* picture, const QString& baseName) {
    if (const auto image = loadSkinPicture(state, baseName)) picture->setPixmap(QPixmap::fromImage(*image));
}

QLabel* logoLabel(QWidget* window, const QRect& geometry, int pointSize) {
    auto* logo = new QLabel(QStringLiteral("Orvella"), window);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setAlignment(Qt::AlignCenter);
    logo->setGeometry(geometry);
    logo->setStyleSheet(QStringLiteral("color: rgb(255, 212, 0); font: bold %1pt 'Liberation Sans';").arg(pointSize));
    return logo;
}

std::pair<QLabel*, QLabel*> versionLabels(QWidget* window, const QRect& geometry, int pointSize) {
    const auto versionLabel = [&](const char* name, const char* colour, int offset) {
        auto* label = new QLabel(window);
        label->setObjectName(QLatin1String(name));
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(geometry.translated(offset, offset));
        label->setStyleSheet(
            QStringLiteral("font: bold %1pt 'Liberation Sans'; color: %2;").arg(pointSize).arg(QLatin1String(colour)));
        return label;
    };
    QLabel* shadow = versionLabel("lblVersion2", "black", 2);
    return {versionLabel("lblVersion", "white", 0), shadow};
}

}  // namespace orv
