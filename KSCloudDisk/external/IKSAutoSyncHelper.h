// The editor's automatic sync switches, one per kind of content, kept in the host settings.
#ifndef IKSAUTOSYNCHELPER_H
#define IKSAUTOSYNCHELPER_H

#include "kshostglobal.h"

enum AutoSyncType : int {
    AutoSyncAll = 0, // the main switch
    AutoSyncCustomization = 1,
    AutoSyncFavorite = 2,
    AutoSyncTitle = 3,
    AutoSyncEffect = 4,
    AutoSyncTemplate = 5,
    AutoSyncAdjustmentLayer = 6,
    AutoSyncSpeed = 8,
    AutoSyncMask = 9,
    AutoSyncCompoundClip = 10,
    AutoSyncColor = 11,
    AutoSyncAIColorPalette = 12,
    AutoSyncCustomColorLayer = 13,
};

class KSHOST_API IKSAutoSyncHelper
{
public:
    static IKSAutoSyncHelper *getInstance();
    virtual ~IKSAutoSyncHelper();

    // Whether `type` syncs. Until set, the main switch is off and every other kind on, so turning
    // the main switch on syncs everything. False for a value that names no kind.
    virtual bool getSyncState(int type) const = 0;
    // Stores the switch (per host user, so it survives a restart). A change, and only a change,
    // sends the host event "NotifySyncStateChanged" with the payload QVariantMap {"type": int,
    // "on": bool, "source": int}; `source` says who switched (0: the cloud disk's sync settings) so
    // a listener can skip its own changes. A value that names no kind is ignored.
    virtual void setSyncState(int type, bool on, int source = 0) = 0;
};

#endif
