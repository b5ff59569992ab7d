#include "nuvafetch/wizardstate.h"
