// The application defines the systems array; the tests stand in for it.
#include "sim/spring_systems.h"

SpringSystem* springSystems = nullptr;
