#include "ClientThreadState.h"

#include <openssl/crypto.h>

void ClientThreadState::release()
{
    // A no-op in a thread that never used OpenSSL, and after its clean-up.
    OPENSSL_thread_stop();
}
