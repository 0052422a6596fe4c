#include <deque>
#include <mutex>

#include "platform/exec.h"

// A port belongs to the task that made it and raises that task's signal bit when a message
// arrives. Messages may be put from any thread.
struct exec::MsgPort {
    std::mutex mutex;
    std::deque<Message *> queue;
    Task *task = nullptr;
    int32_t sigBit = -1;
};

namespace exec {

MsgPort *CreatePort()
{
    int32_t bit = AllocSignal();
    if (bit < 0)
        return nullptr;
    auto *port = new MsgPort;
    port->task = FindTask(nullptr);
    port->sigBit = bit;
    return port;
}

void DeletePort(MsgPort *port)
{
    if (!port)
        return;
    while (Message *msg = GetMsg(port))
        ReplyMsg(msg);
    FreeSignal(port->sigBit);
    delete port;
}

uint32_t PortSigMask(MsgPort *port)
{
    return port ? (1u << port->sigBit) : 0;
}

void PutMsg(MsgPort *port, Message *msg)
{
    {
        std::lock_guard<std::mutex> lock(port->mutex);
        port->queue.push_back(msg);
    }
    Signal(port->task, PortSigMask(port));
}

Message *GetMsg(MsgPort *port)
{
    std::lock_guard<std::mutex> lock(port->mutex);
    if (port->queue.empty())
        return nullptr;
    Message *msg = port->queue.front();
    port->queue.pop_front();
    return msg;
}

void ReplyMsg(Message *msg)
{
    if (msg->mn_ReplyPort)
        PutMsg(msg->mn_ReplyPort, msg);
    else
        delete msg;
}

} // namespace exec
