// An H.264 video in an MP4 file, encoded through FFmpeg's libraries.
#pragma once
#include <cstdint>
#include <string>

struct AVCodec;
struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

// The file is written under a temporary name beside the final one and renamed
// only by Finish, so a failed or abandoned video leaves no file behind (and an
// older file of the same name untouched).
class VideoFile {
public:
    VideoFile() = default;
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;
    ~VideoFile();  // abandons an unfinished video

    // Sets up the encoder for width x height pictures at fps frames per
    // second and creates the temporary file. Sizes 4:2:0 cannot take (odd
    // ones) are padded to even by repeating the last column and row.
    bool Open(const std::string& path, int width, int height, int fps, std::string& error);

    // Encodes one picture of width * height words 0x00RRGGBB, rows top to
    // bottom. Allocates no picture memory: the frame and the colour converter
    // are made once by Open.
    bool WriteFrame(const uint32_t* pixels, std::string& error);

    // Drains the encoder, completes the MP4 and gives the file its name.
    bool Finish(std::string& error);

    // Ends the video without a file: the temporary file is removed.
    void Abandon();

    // Size of the finished file in bytes.
    uint64_t FinishedBytes() const { return finishedBytes_; }

private:
    bool OpenEncoder(const AVCodec* codec, int fps, std::string& error);
    bool OpenPicture(std::string& error);
    bool CreateTemporaryFile(std::string& error);
    bool SendToEncoder(const AVFrame* frame, std::string& error);
    void Release();

    std::string path_, temporaryPath_;
    int width_ = 0, height_ = 0;
    bool temporaryCreated_ = false;  // the temporary file exists and is ours to remove
    int64_t nextPts_ = 0;
    uint64_t finishedBytes_ = 0;
    AVFormatContext* container_ = nullptr;
    AVStream* stream_ = nullptr;
    AVCodecContext* encoder_ = nullptr;
    AVFrame* picture_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* converter_ = nullptr;
};
