// Placeholder until the headless backend is written.
#include "platform/backend.h"
