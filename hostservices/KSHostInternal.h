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

// What the host keeps is its owner's alone, whatever the umask of the editor it runs in: folders
// 0700, files 0600. Like ensureFolder, with the folders it makes private. Under the host's root the
// folder and its parents up to the root are ours whatever made them, so they are narrowed when an
// older version left them wider; an existing folder elsewhere (a log folder the editor chose) keeps
// its mode.
QString ensurePrivateFolder(const QString &path);
bool makePrivateFile(const QString &path);

// The text with its secrets replaced by "***", for log lines and analytics records: the string
// values of "token", "access_token", "access_code", "password" and "code" keys (a numeric "code" is
// a result), and the access code of a "share_id" of the form "<id>:<code>".
QString masked(const QString &text);

} // namespace KSHostInternal

#endif
