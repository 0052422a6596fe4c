#include "platform/exec.h"

namespace exec {

void NewList(List *list)
{
    list->head.ln_Succ = &list->tail;
    list->head.ln_Pred = nullptr;
    list->tail.ln_Succ = nullptr;
    list->tail.ln_Pred = &list->head;
}

bool IsListValid(const List *list)
{
    return list->head.ln_Succ != nullptr;
}

void AddTail(List *list, Node *node)
{
    Node *pred = list->tail.ln_Pred;
    node->ln_Succ = &list->tail;
    node->ln_Pred = pred;
    pred->ln_Succ = node;
    list->tail.ln_Pred = node;
}

void Remove(Node *node)
{
    node->ln_Pred->ln_Succ = node->ln_Succ;
    node->ln_Succ->ln_Pred = node->ln_Pred;
    node->ln_Succ = node->ln_Pred = nullptr;
}

bool IsListEmpty(const List *list)
{
    return !IsListValid(list) || list->head.ln_Succ == &list->tail;
}

Node *GetHead(const List *list)
{
    return IsListEmpty(list) ? nullptr : list->head.ln_Succ;
}

Node *GetSucc(const Node *node)
{
    Node *next = node->ln_Succ;
    return (next && next->ln_Succ) ? next : nullptr;
}

} // namespace exec
