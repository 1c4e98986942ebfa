#include "my_gd.h"

int My_Gd::is_english = 0;
