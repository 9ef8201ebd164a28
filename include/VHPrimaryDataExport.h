#ifndef VHPRIMARYDATAEXPORT_H
#define VHPRIMARYDATAEXPORT_H

#include <QtCore/qglobal.h>

/// @file
/// Symbols of the library are hidden unless marked with this macro. Building the
/// library exports them; a client of the shared library imports them; the test
/// programs link the objects statically and need neither.
#if defined(VHPRIMARYDATA_STATIC)
#define VHPRIMARYDATA_EXPORT
#elif defined(VHPRIMARYDATA_BUILDING)
#define VHPRIMARYDATA_EXPORT Q_DECL_EXPORT
#else
#define VHPRIMARYDATA_EXPORT Q_DECL_IMPORT
#endif

#endif // VHPRIMARYDATAEXPORT_H
