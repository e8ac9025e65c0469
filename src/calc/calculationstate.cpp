#include "calculationstate.h"

CalculationState calculationState;
