#include "state/setup_in_force.h"

SetupInForce setup_in_force;
