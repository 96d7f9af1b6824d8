#include "app/engine.h"

void InitialiseEngine() {
}
