#include "data/base.h"

Base::~Base() {}
