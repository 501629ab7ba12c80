#include "engine/ChemSystem_u.h"

#include <gtest/gtest.h>

#include "util/Errors.h"

TEST(Placeholder, Builds) {}
