#pragma once

// Close requests that wait out a scale run.
//
// A window manager asks a window to close with a WM_DELETE_WINDOW message
// (its close button, Alt+F4). Qt counts that as user input: while a scale
// run paints its progress window and holds input back, the request waits,
// and it is carried out after the run, when nothing refuses it any more.
// Alt+F4 pressed during a run would so end the program once the run is done.
// At the end of a run the requests made until then are marked, and dropped
// when they come through; requests made afterwards are carried out.
//
// The mark is the X server's own order: every event carries the number of
// the last request of ours the server had handled when it made the event,
// and a round trip at the end of the run gives the number that separates
// earlier events from later ones.

#include <QAbstractNativeEventFilter>
#include <cstdint>

// The close requests for the program's windows sent until now that have not
// come through yet are dropped when they do: one application-wide
// HeldCloseRequests, made on first use, does it.
void DropHeldCloseRequests();

class HeldCloseRequests : public QAbstractNativeEventFilter {
public:
    // Installs itself on the application; without an X server it does nothing.
    HeldCloseRequests();
    ~HeldCloseRequests() override;

    // The close requests sent until now that have not come through yet are
    // dropped when they do.
    void DropThoseMadeUntilNow();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    bool armed_ = false;
    std::uint16_t mark_ = 0;  // events carry the low 16 bits of the number
    std::uint32_t protocolsAtom_ = 0;
    std::uint32_t deleteWindowAtom_ = 0;
};
