// Export macro of the cloud-disk plug-in.
#ifndef KSCLOUDGLOBAL_H
#define KSCLOUDGLOBAL_H

#include <QtGlobal>

#if defined(KSCLOUDDISK_BUILDING)
#define KSCLOUDDISK_API Q_DECL_EXPORT
#else
#define KSCLOUDDISK_API Q_DECL_IMPORT
#endif

#endif
