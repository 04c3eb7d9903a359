#include "sequence/run.h"
