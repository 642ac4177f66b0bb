#pragma once

#include "engine/ChosenFile.h"
#include "engine/FileTexts.h"
#include "engine/RunHost.h"
#include "io/Files.h"
#include "text/Extract.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tamsenor {

// Prepares the texts of a run's chosen files on worker threads, ahead of the
// run: each read, its lines joined and stripped exactly as PrepareStripText
// does on the run's own thread, with the progress values the stripper set
// recorded so that the run can show them in their order. At most 32 files (or
// two per worker, when more), and no more than a budget of bytes beyond the
// next one, wait ready at any time, so memory and open files do not grow with
// the batch; enough that one large file does not leave the other workers idle.
class ReadAheadPool {
public:
    struct Prepared {
        StripFileResult result; // strip mode: `written` set when `text` is the output's content
        TextRead read; // extraction mode: how reading went; `text` is then stripped and its white space
                       // normalised for the search (NormaliseForExtraction), unless `failed`
        bool failed = false; // extraction mode: the stripper ran out of memory
        std::string problem; // extraction mode: why else the file cannot be searched
        std::string linksProblem; // extraction mode: why its links are read only in part
        std::string text;
        std::vector<float> progress; // the per-file progress values, in order
        // Strip mode: `text` written ahead to a temporary file for the output
        // path `outputPath`; the run commits it when that is the name it chose.
        std::unique_ptr<io::ReplacingFile> output;
        std::string outputPath;
        // Extraction mode with links: the columns read from the file's markup.
        std::vector<text::ExtractSetup::ListedColumn> listed;
    };
    enum class Mode {
        Strip, // as PrepareStripText: the output's whole content
        Extraction, // as the extraction run: read whole, then stripped
    };

    struct Options {
        bool stripChecked = false; // as the hook's stripChecked() tells the stripper
        std::size_t maxLength = MaxTextLength;
        std::string outputDirectory; // strip mode: where the outputs are written ahead
        OutputPlace place; // strip mode: the output folder and journal
        bool readLinks = false; // extraction mode: the links of each file's markup as well
        bool readable = false; // the readable text instead of the stripped one (both modes)
        bool mainText = false; // with readable: the page's main text only
        // Extraction mode: a column searches the text (e-mail, web site or a
        // keyword). Without one and without `readable`, only the links are
        // read and no text is made.
        bool searchText = true;
    };

    ReadAheadPool(std::vector<std::string> inputs, int workers, Mode mode, Options options);
    ~ReadAheadPool(); // stops the workers and waits for them
    ReadAheadPool(const ReadAheadPool&) = delete;
    ReadAheadPool& operator=(const ReadAheadPool&) = delete;

    // File `index`'s text, taken in increasing order of index. `keepWaiting`
    // runs about every 20 ms while it is not ready; false gives up (nullopt).
    std::optional<Prepared> take(std::size_t index, const std::function<bool()>& keepWaiting);

private:
    void work();
    void stopAndJoin();
    void writeAhead(const std::string& input, Prepared& prepared) const;
    // With the mutex held:
    bool canStart() const; // a worker may start the next file
    bool runMayGo(std::size_t index) const; // the run waiting for `index` is worth waking
    void wakeRun(); // wakes the run when it waits and may go

    const std::vector<std::string> inputs_;
    const Mode mode_;
    const Options options_;
    const std::size_t lookahead_;
    std::atomic<bool> stop_ { false };
    std::mutex mutex_;
    std::condition_variable forWorkers_; // room for another file
    std::condition_variable forRun_; // the file the run waits for, and a few after it, are ready
    bool runWaiting_ = false;
    std::size_t wanted_ = 0; // the file the run waits for, while runWaiting_
    std::size_t next_ = 0; // the next index a worker starts on
    std::size_t taken_ = 0; // every index below has been taken
    std::size_t readyBytes_ = 0; // the texts waiting in ready_
    std::map<std::size_t, Prepared> ready_; // by index, until taken
    std::vector<std::thread> threads_;
};

// The extraction run's reading of one file into `out`, messages aside, on
// any thread: read whole (yielding through the hook), its links read from the
// markup when asked, then stripped or rendered readable. Only `maxLength`,
// `readLinks`, `readable`, `mainText` and `searchText` of `options` count.
void PrepareExtractionText(
    const std::string& input, ReadAheadPool::Prepared& out, text::Hook& hook, const ReadAheadPool::Options& options);

// How a run of `host` in `mode` prepares each file, from its settings: one
// answer for its workers and for its own thread.
ReadAheadPool::Options PreparationOptions(RunHost& host, ReadAheadPool::Mode mode, std::size_t maxLength);

// Workers for the chosen files of `host` when it allows more than one thread
// and there is more than one file; null otherwise (the run works alone).
std::unique_ptr<ReadAheadPool> StartWorkers(
    RunHost& host, ReadAheadPool::Mode mode, std::size_t maxLength, const std::string& outputDirectory = {},
    const OutputPlace& place = {});

} // namespace tamsenor
