#include "tools/ByteSize.h"

#include <QLocale>
#include <gtest/gtest.h>

class ByteSize : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale::c()); }
    void TearDown() override {
        SetSizeUnits({"b.", "Kb.", "Mb.", "Gb.", "Tb."});
        QLocale::setDefault(QLocale::system());
    }
};

TEST_F(ByteSize, Bytes) {
    EXPECT_EQ(FormatByteSize(0), "0    b.");
    EXPECT_EQ(FormatByteSize(512), "512  b.");
    EXPECT_EQ(FormatByteSize(1023), "1023 b.");
}

TEST_F(ByteSize, LargerUnits) {
    EXPECT_EQ(FormatByteSize(1024), "1 Kb.");
    EXPECT_EQ(FormatByteSize(1536), "1.5 Kb.");
    EXPECT_EQ(FormatByteSize(1048000), "1023 Kb.");
    EXPECT_EQ(FormatByteSize(5000000), "4.77 Mb.");
    EXPECT_EQ(FormatByteSize(1024ull * 1024 * 1024), "1 Gb.");
    EXPECT_EQ(FormatByteSize(1024ull * 1024 * 1024 * 1024 * 3), "3 Tb.");
    // Past the last unit the quotient keeps growing.
    EXPECT_EQ(FormatByteSize(1024ull * 1024 * 1024 * 1024 * 5000), "5000 Tb.");
    EXPECT_EQ(FormatByteSize(UINT64_MAX), "16777216 Tb.");
}

TEST_F(ByteSize, NoExponentJustBelowAThousand) {
    // 999.7 Kb. would read "1e+03" with three significant digits.
    EXPECT_EQ(FormatByteSize(uint64_t(999.7 * 1024)), "999 Kb.");
    EXPECT_EQ(FormatByteSize(uint64_t(999.4 * 1024)), "999 Kb.");
    EXPECT_EQ(FormatByteSize(uint64_t(99.96 * 1024)), "100 Kb.");
}

TEST_F(ByteSize, LocaleAndTranslatedUnits) {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    SetSizeUnits({"o.", "Ko.", "Mo.", "Go.", "To."});
    EXPECT_EQ(FormatByteSize(1536), "1,5 Ko.");
    EXPECT_EQ(FormatByteSize(10), "10   o.");
}
