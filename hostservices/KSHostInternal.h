// Helpers shared by the host services' sources; not installed, not part of the plug-in's view.
#ifndef KSHOSTINTERNAL_H
#define KSHOSTINTERNAL_H

#include <QString>

namespace KSHostInternal {

// Folder paths under the current root, without touching the disk: the logger asks for its folder
// on every record and must not create folders there.
QString userDataPath();
QString appDataPath();
// Creates the folder when missing; the path, or empty when it cannot be made.
QString ensureFolder(const QString &path);

} // namespace KSHostInternal

#endif
