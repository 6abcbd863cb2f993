// Fragments of one message sent with "more to come" are gathered per socket and handed to the kernel in a
// few large writes, so a sender that must cut a message into small fragments pays one system call per
// 256 KiB instead of one per fragment. The bytes, their order and the caller's retry protocol are those of
// plain sends: a gathered fragment is either accepted whole or refused as "would block" (EAGAIN), and the
// message's last fragment leaves in the same system call as what is still gathered, behind it; like a plain
// send, the kernel may take only part of it, and it is accepted only as far as everything before it has
// reached the kernel, so nothing waits in the gatherer after the message has been sent.
#pragma once

namespace platform::send_gather {

// Sends or gathers one fragment of a message; the result is the system's (bytes accepted, or -1 and errno).
long Send(int fd, const char* data, long length, bool more);
// Drops what is gathered for the descriptor; called when the socket is closed.
void Forget(int fd);

}  // namespace platform::send_gather
