#include "Patients.h"
