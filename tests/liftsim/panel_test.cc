#include "lift_fixture.h"
