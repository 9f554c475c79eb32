#include "logic/startup/command_line.h"

#include <gtest/gtest.h>

using namespace kelvara;

TEST(ProgramArguments, OptionsCountOnlyAloneAndEverythingElseIsTheFilmToPlay) {
    EXPECT_TRUE(asks_for_program_option({"--version"}));
    EXPECT_TRUE(asks_for_program_option({"-h"}));
    EXPECT_FALSE(asks_for_program_option({"--version", "/films/a.mp4"}));
    EXPECT_FALSE(asks_for_program_option({"/films/--version"}));
    EXPECT_FALSE(asks_for_program_option({}));

    // A file opened from the file manager arrives as a URL and plays by its path.
    EXPECT_EQ(command_text({"file:///home/%E7%94%A8%E6%88%B7/%E9%95%BF%E6%B2%B3%20%E8%90%BD%E6%97%"
                            "A5%20%25100.mp4"}),
              "/home/用户/长河 落日 %100.mp4");
    // Another host's file, addresses and plain paths stay as they are.
    EXPECT_EQ(command_text({"file://nas/films/a.mp4"}), "file://nas/films/a.mp4");
    EXPECT_EQ(command_text({"qvod://1024|0A1B|长河.rmvb|"}), "qvod://1024|0A1B|长河.rmvb|");
    EXPECT_EQ(command_text({"\"/films/my", "film.mp4\""}), "\"/films/my film.mp4\"");
    EXPECT_EQ(command_text({"/films/file:///x.mp4"}), "/films/file:///x.mp4");
}
