// VideoFile with a picture size 4:2:0 cannot take: padded to even, not refused.
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/velmora_render/video_file.h"

TEST(VideoFile, OddPictureSizeIsPaddedToEven) {
    constexpr int Width = 33, Height = 21, Frames = 3;
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("velmora_odd_" + std::to_string(::getpid()) + ".mp4")).string();
    std::vector<uint32_t> pixels(Width * Height);
    for (int i = 0; i < Width * Height; ++i) pixels[i] = static_cast<uint32_t>(i * 0x010203);

    VideoFile video;
    std::string error;
    ASSERT_TRUE(video.Open(path, Width, Height, 30, error)) << error;
    for (int frame = 0; frame < Frames; ++frame) ASSERT_TRUE(video.WriteFrame(pixels.data(), error)) << error;
    ASSERT_TRUE(video.Finish(error)) << error;
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));

    AVFormatContext* input = nullptr;
    ASSERT_EQ(avformat_open_input(&input, path.c_str(), nullptr, nullptr), 0);
    ASSERT_GE(avformat_find_stream_info(input, nullptr), 0);
    ASSERT_EQ(input->nb_streams, 1u);
    EXPECT_EQ(input->streams[0]->codecpar->width, Width + 1);
    EXPECT_EQ(input->streams[0]->codecpar->height, Height + 1);
    EXPECT_EQ(input->streams[0]->nb_frames, Frames);
    avformat_close_input(&input);
    std::remove(path.c_str());
}
