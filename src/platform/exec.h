#pragma once

// Tasks, signals, lists and message ports, with exec's meanings.

#include <cstddef>
#include <cstdint>

namespace exec {

constexpr uint32_t SIGBREAKF_CTRL_C = 0x1000;
constexpr uint32_t SIGBREAKF_CTRL_D = 0x2000;
constexpr uint32_t SIGBREAKF_CTRL_E = 0x4000;
constexpr uint32_t SIGBREAKF_CTRL_F = 0x8000;

struct Task;

// The calling thread's task (null name); the program's task is the main thread.
Task *FindTask(const char *name);

// Sets bits on a task; safe from any thread. Signals are not counted.
void Signal(Task *task, uint32_t sigs);

// Blocks the calling task until one of `mask` is set, returns those bits and clears them.
// On the main thread of a GUI host it keeps the windows repainting meanwhile.
uint32_t Wait(uint32_t mask);

// Returns the old signal set and replaces the bits of `mask` with those of `newSigs`.
uint32_t SetSignal(uint32_t newSigs, uint32_t mask);

// A free signal bit of the calling task (0..11 and 16..31; the break bits are never handed out), or -1.
int32_t AllocSignal();
void FreeSignal(int32_t bit);

// Gives the memory pages that lie wholly inside [address, address + length) back to the system. Their
// contents are lost: they read as zeros afterwards and are taken again when written. The bytes of
// pages only partly inside stay as they are.
void DiscardMemory(void *address, size_t length);

// exec.library's version and revision.
uint16_t Version();
uint16_t Revision();

// Doubly linked lists as exec has them: a header with head and tail sentinels. Walk them with
// GetHead/GetSucc; a zero-filled List is not yet valid, NewList makes it so.
struct Node {
    Node *ln_Succ = nullptr;
    Node *ln_Pred = nullptr;
    char *ln_Name = nullptr;
};

struct List {
    Node head; // head.ln_Succ is the first node, or &tail
    Node tail; // tail.ln_Pred is the last node, or &head
};

void NewList(List *list);
void AddTail(List *list, Node *node);
void Remove(Node *node);
bool IsListEmpty(const List *list);
// True once NewList has run on it.
bool IsListValid(const List *list);
// The first real node, or null for an empty list; the next one after `node`, or null at the end.
Node *GetHead(const List *list);
Node *GetSucc(const Node *node);

struct MsgPort;

// A message: `mn_Node.ln_Name` names it for the public port; `type` carries the application
// library's message type on the application port.
struct Message {
    Node mn_Node;
    MsgPort *mn_ReplyPort = nullptr;
    uint32_t type = 0;
};

// A port owned by the calling task; its signal bit is allocated from that task.
MsgPort *CreatePort();
void DeletePort(MsgPort *port);
uint32_t PortSigMask(MsgPort *port);
// Queues a message and signals the port's task; safe from any thread.
void PutMsg(MsgPort *port, Message *msg);
Message *GetMsg(MsgPort *port);
// Returns the message to its sender; a message without a reply port is deleted.
void ReplyMsg(Message *msg);

// Public ports are reachable by name from outside the program (a Unix socket in RAM:).
bool AddPort(MsgPort *port, const char *name);
void RemPort(MsgPort *port);

} // namespace exec
