// Compiled against a floor's include folder: the model is below every floor
// but the base, so this compiles.
#include "model/system_model.h"
