// Seams for the sharing calls of a secondary click; each moves to the sharing client when that
// is built.
#include "plugin/view/mouse_pending_seams.h"

// Does nothing yet: the sharing client is not built; reports failure so nothing counts as sent.
int addSingleSharedShow(WebSession&, SHOWENTRY*) {
    return 0;
}
// Does nothing yet: the sharing client is not built; reports failure so nothing counts as sent.
int deleteSingleSharedShow(WebSession&, SHOWENTRY*) {
    return 0;
}
