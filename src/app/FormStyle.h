#pragma once
// The look shared by the wizard's forms: design fonts, white page background, labels placed
// as designed, and the text rule for "filled" input fields.

#include <QFont>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace app {

// Maps the design's Windows font families, where they are missing, to installed faces of the
// same or similar widths, once per process (the forms were laid out for those faces).
void InstallFontSubstitutes();

// A font of the design: family and character height in pixels.
QFont DesignFont(const QString& aFamily, int aPixelHeight, bool aBold = false,
                 bool aItalic = false);
// The forms' default font: "MS Sans Serif", 11 pixels high.
QFont FormFont();

// A page form: white, default font, named after its class.
void SetUpPageForm(QWidget* aForm, const char* aFormName);

// A label that takes the size of its text (again after every retranslation, see
// FitAutoSizeLabels).
QLabel* CreateAutoSizeLabel(QWidget* aParent, const char* aName, const QString& aText, int aLeft,
                            int aTop);
// Names and places a label created elsewhere (a link, say) as an auto-size label.
QLabel* PlaceAutoSizeLabel(QLabel* aLabel, const char* aName, int aLeft, int aTop);
// A word-wrapped label of fixed size.
QLabel* CreateWrappedLabel(QWidget* aParent, const char* aName, const QString& aText,
                           const QRect& aGeometry);
// The bold page header ("Arial", 17 pixels) at 14, 14. It wraps to a second line where a
// translation is longer than the page is wide.
QLabel* CreatePageHeader(QWidget* aParent, const QString& aText);
// Resizes every auto-size label of the form to its present text and font.
void FitAutoSizeLabels(QWidget* aForm);

// The text without leading and trailing blanks and control characters.
QString TrimBlanksAndControls(const QString& aText);

} // namespace app
