// Senders of the parameter tab: the single writes and the refresh with its
// timed chains, as members of Frm7340COM.
#include "Frm7340COM.h"
