#pragma once
// What assistive technology (screen readers) learns about the wizard's own controls: the
// clickable labels are links that can be pressed, the busy indicator says that it is busy,
// decorative pictures are left out, and texts that appear without the user moving are
// announced.

#include <QAccessible>

#include <functional>

class QWidget;

namespace app {

// Installs the wizard's accessibility interfaces, once per process.
void InstallAccessibility();

// A picture that only decorates: left out of what screen readers read.
void MarkDecorative(QWidget* aWidget);

// Tells screen readers that a text has just appeared or changed on its own (a failure, the
// password mismatch, the wait for Thunderbird), so they read it without the user moving there.
void Announce(QWidget* aWidget);

// Tells screen readers that the busy indicator started or stopped.
void AnnounceBusyChange(QWidget* aIndicator);

// Test seam: while set, receives every announcement (Qt hands its events on only while a screen
// reader is connected).
using TAnnouncementObserver = std::function<void(QWidget* aWidget, QAccessible::Event aEvent)>;
void SetAnnouncementObserver(TAnnouncementObserver aObserver);

} // namespace app
