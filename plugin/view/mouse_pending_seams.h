#pragma once
// Calendar sharing of a single show, called after a secondary click changes a show's choice.
// 1 on success, 0 on a failed fetch or a refusal.
struct SHOWENTRY;
class WebSession;

int addSingleSharedShow(WebSession& web, SHOWENTRY* show);
int deleteSingleSharedShow(WebSession& web, SHOWENTRY* show);
