// The Qt screens' wait cursor: back to what it was when the guarded work ends, throws, or
// runs inside another guarded piece of work.
#include "widgets/wait_cursor.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace remu;

namespace {

bool waiting() { return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor; }

}  // namespace

TEST(WaitCursor, RestoredWhenTheWorkEndsThrowsOrNests) {
    ASSERT_FALSE(waiting());
    {
        WaitCursor outer;
        EXPECT_TRUE(waiting());
        try {
            WaitCursor inner;
            throw std::runtime_error("the printer went away");
        } catch (const std::runtime_error&) {
        }
        EXPECT_TRUE(waiting());  // the outer work still runs
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
