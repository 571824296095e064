#include <gtest/gtest.h>

#include "util/embedded_assets.h"

TEST(EmbeddedAssets, UnknownNameGivesNoBytes) { EXPECT_TRUE(qo::embedded_asset("no/such/file").empty()); }
