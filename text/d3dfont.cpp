#include "text/d3dfont.h"
