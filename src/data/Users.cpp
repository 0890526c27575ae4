#include "Users.h"
