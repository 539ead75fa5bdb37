#pragma once
// The wizard's pictures, painted in code: banner, rule, welcome picture, client icons and the
// failure icon.

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace app {

// Indexes of the client icons (the accounts list's image list and the client-choice page).
enum TClientIcon {
    ciOutlookExpress = 0,
    ciOutlook = 1,
    ciWindowsMail = 2, // Windows Mail and Windows Live Mail
    ciThunderbird = 3,
    ciNewAccount = 4,
};
inline constexpr int ClientIconCount = 5;

// The top banner with the product name; the right end stays light for the language labels.
QPixmap BannerPicture(QSize aSize = QSize(640, 75));
// The one-pixel rule above the button bar.
QPixmap RulePicture(int aWidth = 640);
// The welcome page's picture: a letter flying into a mail box.
QPixmap WelcomePicture(QSize aSize = QSize(220, 220));
// A client icon of the given index, aSize pixels square; an unknown index gives a null pixmap.
QPixmap ClientPicture(int aIndex, int aSize);
// The image list of the accounts list: the five client icons at 16 pixels.
QIcon ClientIcon(int aIndex);
// The setup page's failure icon: a red disc with a white cross.
QPixmap FailurePicture(int aSize = 32);

} // namespace app
