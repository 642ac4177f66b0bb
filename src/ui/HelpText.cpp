#include "ui/HelpText.h"

#include "engine/Prompts.h"

#include <QFile>

namespace tamsenor {

QString ProgramVersion()
{
    return QStringLiteral(TAMSENOR_VERSION);
}

QString HelpPageHtml()
{
    return QStringLiteral(R"(<h1>Using Tamsenor</h1>
<p>Tamsenor reads the text and HTML files you choose and either writes each of
them as plain text or collects what it finds in them (web sites, e-mail
addresses, the words after your keywords) into one results file.</p>

<h2>Choosing files</h2>
<ul>
<li>Pick a drive and open a directory on the left of <b>Choosing Files</b>; its files
are listed beside them and counted below (<b>Total:</b>). <b>Refresh</b> lists them again.</li>
<li><b>File Extention</b> narrows the list to one suffix. Type it (<code>html</code>) or
pick it from the list; <code>*.html</code> and <code>.html</code> mean the same as
<code>html</code>. <b>* (All File)</b> lists every file. An empty box lists only the
files without a suffix.</li>
<li>Select files (Shift and Ctrl select several, <b>Select All</b> selects every one)
and press <b>&gt;&gt;</b> or Enter: they move to <b>Chosen Files</b>, which is kept in
alphabetical order. Files dropped from a file manager onto <b>Chosen Files</b> are
added too.</li>
<li>In <b>Chosen Files</b>, <b>Deselect</b> (or Delete) takes the selected files out
again and <b>Clear</b> empties the list. A long path is shortened in its middle;
point at an entry to read it whole.</li>
</ul>

<h2>What a run does</h2>
<ul>
<li><b>Striping html Tags</b>: each chosen file is written without its HTML tags
into a directory you pick when the run starts, as one <code>.txt</code> file
whose name is the file's name without its dots (<code>index.html</code> gives
<code>indexhtml.txt</code>). Its first line names the file it came from. The other
switches are off in this mode.</li>
<li><b>Extracting web sites.</b> collects every address around a
<code>://</code>; <b>Extracting e-mails.</b> every address around an
<code>@</code>; <b>Keywords.</b> the words after your keywords (below).</li>
<li><b>Links in markup.</b> also reads each file's HTML for the links and
<code>mailto:</code> addresses written in its tags, into the last two columns,
Link and MailTo. <b>Readable text (UTF-8)</b>, in strip mode, writes the text as
a browser shows it instead of the stripped text, in UTF-8 with LF line ends;
<b>Help &rarr; Extract from readable text</b> makes the other switches search
that text. <b>Main text only</b>, in strip mode, narrows the readable text to
the page's main text: its title and article, without menus, headers, footers,
sidebars, share and comment widgets, cookie notices, lists of other articles and
ads. Ticking it ticks <b>Readable text (UTF-8)</b>; a page with no article to
find (an index, a form) is written whole.</li>
<li><b>ProcessFiles</b> starts the run; the bars show the progress of the file
and of the whole run, and <b>Cancel</b> (or Esc) stops it. A cancelled strip run
takes back the files it wrote.</li>
</ul>

<h2>Keywords and positions</h2>
<p>A keyword is a text that is searched for exactly as written: case matters, and
it is also found inside a longer word (<code>Price</code> is found in
<code>Prices</code>). Its positions say which words after it to collect, counted
from 1 for the first word after the keyword and written as numbers separated by
commas. Words are separated by spaces. The text searched is the text without its
tags, in which every comma and semicolon has become a space, so they separate
words too; other punctuation (<code>. : ( ) " !</code>) belongs to the word it
touches.</p>
<p>With the text <code>K: a,b c.</code> and the keyword <code>K:</code>:</p>
<ul>
<li>positions <code>1</code> give <code>a</code>;</li>
<li>positions <code>2, 3</code> give <code>b c.</code>.</li>
</ul>
<p>With the text <code>Author: John Smith born 1970</code> and the keyword
<code>Author:</code>:</p>
<ul>
<li>positions <code>1, 2</code> give <code>John Smith</code>;</li>
<li>positions <code>2</code> give <code>Smith</code>;</li>
<li>positions <code>1, 3</code> give <code>John born</code>.</li>
</ul>
<p>Write the positions in rising order: the words are counted up to the last
number, and a number not larger than the one before it is never reached
(<code>3, 1</code> gives nothing). Position <code>0</code> only marks that the
keyword occurs: it gives a single space, once per file. Every occurrence of
the keyword gives a value of its own, in the order of the text.</p>
<p><b>New</b> adds a keyword (typed, or all those of a keyword file),
<b>Property</b> changes the selected one, <b>up</b> and <b>down</b> move it,
<b>Delete</b> and <b>Clear</b> remove keywords. <b>Open</b> and <b>Save</b> read
and write a keyword file: a text file with one keyword a line, its name, a tab
and its positions (<code>Author:&#9;1, 2</code>). Lines may end as on any
system; a file saved as UTF-16 ("Unicode") is refused: save it as UTF-8 or plain
text.</p>

<h2>The results file</h2>
<p>At the end of a run with web sites, e-mails or keywords you are asked whether
to save the results. The results file is tab-separated text: its first line
holds the column names, <code>Email</code>, <code>WebSite</code>, one column named
after each keyword, <code>FileName</code> and <code>ProcessTime</code> (only the
kinds that were switched on), and each further line holds one finding per column
with the file it came from and the time it was found
(<code>Mar-9-07 14:05</code>). Line <i>k</i> of a file holds the <i>k</i>-th
finding of every column; a column that has run out of findings is left empty,
and the file's lines end when all of them have.</p>

<h2>Looking at results before saving</h2>
<p><b>Help &rarr; Preview results</b> shows the results of an extraction run in a
window instead of asking whether to save them: a table you can sort and filter,
the values found per column and the distinct values of a column with their
counts. <b>Save&hellip;</b> writes the results file, <b>Export&hellip;</b> writes
CSV or JSON Lines (their ProcessTime as <code>2026-12-08T09:21:05+00:00</code>),
and <b>Close</b> discards the results.</p>

<h2>What the window remembers</h2>
<p>Nothing, unless you tick <b>Help &rarr; Remember window and folders</b>: then
the window's size and place and the folders last used for results and keyword
files are kept for the next start. Unticking it forgets them.</p>

<h2>The browser</h2>
<p><b>Browse</b>, or a double click on a chosen file, shows the file in the browser
window, with Back, Forward, Stop, Refresh, Home and an address box.</p>

<h2>Without the window</h2>
<p><code>tamsenor-batch</code> does the same runs from a terminal or a script and
writes the same files: <code>tamsenor-batch strip -o DIR PATH...</code> or
<code>tamsenor-batch extract --web --email --results FILE PATH...</code>;
<code>tamsenor-batch --help</code> and <code>man tamsenor-batch</code> say more.
Files and folders named when the window starts (<code>tamsenor PATH...</code>)
go into <b>Chosen Files</b> as if dropped there.</p>

<h2>Keys</h2>
<p>F1 shows this page. Enter in the file list adds the selected files, Delete in
<b>Chosen Files</b> takes them out, Esc cancels a run, and the underlined letter
of a caption with Alt presses that control. A double click on a file shows it in
the browser window.</p>
)");
}

const std::vector<ThirdPartyLibrary>& ThirdPartyLibraries()
{
    static const std::vector<ThirdPartyLibrary> libraries {
        { "Qt", "the window, its widgets and the browser", "GNU LGPL version 3 (or GPL version 2 or 3)",
            "https://www.qt.io/" },
        { "libxml2", "the HTML parser behind links and readable text", "MIT licence",
            "https://gitlab.gnome.org/GNOME/libxml2" },
        { "uchardet", "the encoding of pages that do not name theirs",
            "Mozilla Public License 1.1, or GNU GPL 2 or LGPL 2.1 or later", "https://www.freedesktop.org/wiki/Software/uchardet/" },
    };
    return libraries;
}

QString AboutPageHtml()
{
    QString licence;
    QFile file(QStringLiteral(":/tamsenor/LICENSE"));
    if (file.open(QIODevice::ReadOnly))
        licence = QString::fromUtf8(file.readAll());
    QString credits;
    for (const ThirdPartyLibrary& library : ThirdPartyLibraries())
        credits += QStringLiteral("<li><a href=\"%1\">%2</a>: %3; %4</li>")
                       .arg(QLatin1String(library.address), QLatin1String(library.name),
                           QLatin1String(library.use), QLatin1String(library.licence));
    return QStringLiteral("<h1>%1 %2</h1>"
                          "<p>Strips HTML files to text and extracts web sites, e-mail addresses and keyword "
                          "values from them.</p>"
                          "<p>Running on Qt %3.</p>"
                          "<p>Built with these libraries, each under its own licence:</p><ul>%5</ul>"
                          "<pre style=\"white-space: pre-wrap\">%4</pre>")
        .arg(ProgramTitle, ProgramVersion(), QString::fromLatin1(qVersion()), licence.toHtmlEscaped(), credits);
}

} // namespace tamsenor
