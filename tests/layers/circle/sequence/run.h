#include "camera/camera.h"
