// Placeholder until the real backend is written.
#include "platform/backend.h"
