// Export macro of the host services library, as the plug-in sees it.
#ifndef KSHOSTGLOBAL_H
#define KSHOSTGLOBAL_H

#include <QtGlobal>

#if defined(KSHOST_BUILDING)
#define KSHOST_API Q_DECL_EXPORT
#else
#define KSHOST_API Q_DECL_IMPORT
#endif

#endif
