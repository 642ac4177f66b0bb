#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tamsenor::bench {

struct Input {
    std::string name;
    std::string text;
};

// Generated inputs that make marker-search strippers slow: every one is
// deterministic, so runs compare.
//   tags      1 MiB holding 20,000 distinct tags
//   comments  1 MiB holding 20,000 distinct comment blocks
//   scripts   1 MiB holding 10,000 distinct script blocks
//   odd-lt    1 MiB of dense, odd '<' cases ('<<', '<!', '->', lone '<', ...)
//   carried-lt       1 MiB: tags "<aN>", a 300 KB run after a lone '<', the tags again
//   carried-comments the same with comment blocks "<!aN->" and "<!"
//   remnant-taken    1 MiB: a long "<a<a...<a <b>" tag, then a long "<a" remnant
//                    that short tags take apart from its end, one "<b>" at a time
//   two-lt-tags      16 MiB of distinct two-'<' tags "<<1>", "<<2>", ...
//   repeated-then-two-lt  8 MiB of "<b>x<i>" over and over, then 8 MiB of two-lt-tags
//   random-lt-gt-a   16 MiB of random '<', '>' and 'a'
//   at-signs, scheme-marks, http-schemes
//                    150 KB of "a@", "://" or "http://" over and over: every
//                    finding runs on to the end of the page
//   page-10mb a 10 MiB page: paragraphs, links, e-mails, entities, tables
std::vector<std::string> AdversarialNames();
// The named input, at its usual size or about `size` bytes (its counts of
// distinct blocks scaled alike); an empty text for an unknown name.
std::string MakeAdversarial(const std::string& name, std::size_t size = 0);

// Every regular file below `directory` (real pages), in path order.
std::vector<Input> ReadCorpus(const std::string& directory);

} // namespace tamsenor::bench
