// orvik-demo-songlist: the demo's song-list program. The launcher starts it without
// arguments after a song update; like a real list program it reads the song store and
// writes the players' list file, then ends.
//
// Store: the folder given as the first argument, else "Songs" beside this program.
// List:  "songlist.txt" beside this program: a count line, then one song number per line.
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path ProgramFolder(const char* argv0) {
  std::error_code ec;
  // /proc/self/exe names the real file even when started through a link or a relative path.
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec || self.empty()) self = fs::absolute(argv0, ec);
  return self.parent_path();
}

// Song numbers of the files that lie where the store layout puts them: K<block>/<number>.sgd.
std::vector<int> SongsIn(const fs::path& store) {
  std::vector<int> numbers;
  std::error_code ec;
  for (fs::directory_iterator block(store, ec), end; !ec && block != end; block.increment(ec)) {
    const std::string blockName = block->path().filename().string();
    if (blockName.empty() || (blockName[0] != 'K' && blockName[0] != 'k')) continue;
    std::error_code inner;
    for (fs::directory_iterator file(block->path(), inner); !inner && file != end;
         file.increment(inner)) {
      const fs::path& path = file->path();
      if (path.extension() != ".sgd") continue;
      const std::string stem = path.stem().string();
      int number = 0;
      auto [ptr, err] = std::from_chars(stem.data(), stem.data() + stem.size(), number);
      if (err == std::errc() && ptr == stem.data() + stem.size() && number > 0) {
        numbers.push_back(number);
      }
    }
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path folder = ProgramFolder(argv[0]);
  const fs::path store = argc > 1 ? fs::path(argv[1]) : folder / "Songs";
  const std::vector<int> songs = SongsIn(store);

  // Written aside and renamed, so a player never reads half a list.
  const fs::path list = folder / "songlist.txt";
  const fs::path partial = folder / "songlist.txt.new";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << "songs=" << songs.size() << "\n";
    for (int number : songs) out << number << "\n";
    if (!out.flush()) {
      std::cerr << "orvik-demo-songlist: cannot write " << partial << "\n";
      return 1;
    }
  }
  std::error_code ec;
  fs::rename(partial, list, ec);
  if (ec) {
    std::cerr << "orvik-demo-songlist: cannot write " << list << ": " << ec.message() << "\n";
    return 1;
  }
  std::cout << "orvik-demo-songlist: " << songs.size() << " songs listed in " << list.string()
            << "\n";
  return 0;
}
