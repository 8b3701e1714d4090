// The test framework's headers, which every test translation unit reads.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
