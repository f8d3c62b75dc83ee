// How the sockets layer over the C library names a failure.
#ifndef NETTELL_SOCKETS_RESOLVER_ERROR_H
#define NETTELL_SOCKETS_RESOLVER_ERROR_H

namespace sockets {

// The Windows Sockets code for a failed hostent lookup of the C library,
// given its h_errno and errno. The resolver's four classes keep their
// meaning; an internal failure is named by errno. Never returns 0.
int ResolverErrorCode(int hostError, int systemError);

// The Windows Sockets code for a failed system call's errno. Errors with no
// closer match read as WSAENETDOWN, the standard's word for a network
// subsystem that failed. Never returns 0.
int SystemErrorCode(int systemError);

}  // namespace sockets

#endif
