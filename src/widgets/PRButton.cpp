// The notifying buttons are declared in full in the header.
#include "widgets/PRButton.h"
