#include "app/capture_message.h"

#include <gtest/gtest.h>

namespace dbc {
namespace {

TEST(CaptureMessage, NamesEachUnreadableObjectOnALineOfItsOwn) {
    CaptureSummary summary;
    EXPECT_EQ(objectsWithoutTextMessage(summary), "");
    summary.objectsWithoutText = {"p_secret", "v_hidden"};
    EXPECT_EQ(objectsWithoutTextMessage(summary),
              "以下对象的文本无法读取(可能已加密),未存入源数据,不参与比对:\np_secret\nv_hidden");
}

} // namespace
} // namespace dbc
