#include "MasterData.h"
