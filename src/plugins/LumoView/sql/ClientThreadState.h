#ifndef CLIENTTHREADSTATE_H
#define CLIENTTHREADSTATE_H

// What the database client libraries keep per thread: OpenSSL's error queue
// and random generators, which every encrypted connection makes. OpenSSL
// frees them from a thread-exit hook that runs after QThread::wait() has
// returned, so a worker ended as the process exits could run that hook after
// OpenSSL had been torn down, and the state would be lost. A thread that
// opened connections gives it back as its last step.
class ClientThreadState
{
public:
    static void release();
};

#endif // CLIENTTHREADSTATE_H
