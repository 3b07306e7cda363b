// The story told one line at a time while the bird flies, and its drawing.
#include <array>

#include "platform/numeric.h"
#include "velkaro/velkaro.h"

namespace velkaro {

namespace {

// Empty lines are the pauses between stanzas. The main loop returns to the
// last line after the silence that follows the story, so it has to stand on
// its own.
const std::array<std::string, STORY_LINES> kStory = {
    "Long ago,",
    "before the roads of the sky were drawn,",
    "a small grey bird was born on a cold cliff",
    "at the far edge of the northern sea.",
    "She was the last of her brood to hatch.",
    "",
    "Her mother taught her the wind first,",
    "then the stars, and last of all the way home:",
    "a warm island beyond the morning.",
    "",
    "Every autumn the flock rose together",
    "and followed the blue road south.",
    "But that year a storm came out of the west",
    "and tore the flock apart like paper,",
    "and she woke alone above the open water.",
    "",
    "No calls answered her own.",
    "Below her the waves glittered and turned,",
    "and the clouds passed beneath her wings",
    "like slow white ships.",
    "",
    "She remembered what her mother had said:",
    "beat your wings while you are strong,",
    "and dive only when you must.",
    "",
    "So she flew.",
    "",
    "The first day the sun was kind to her.",
    "She rode the warm air over the swell",
    "and counted the islands that were not hers:",
    "too small, too cold, too full of gulls.",
    "",
    "At dusk the sky went the colour of embers,",
    "then grey, then black,",
    "and she flew on by the light of the stars",
    "her mother had named for her.",
    "",
    "Her wings grew heavy in the dark.",
    "Each stroke cost a little more than the last,",
    "and the sea seemed to rise to meet her.",
    "",
    "When she could not beat again, she glided,",
    "and let the tired wind carry her a while.",
    "",
    "On the second morning she met an old heron",
    "standing on a drifting log.",
    "Where are you going, little one? he asked.",
    "Home, she said. Beyond the morning.",
    "Then follow the road, he said, and stay on it.",
    "",
    "She did not see a road.",
    "But when she climbed high enough",
    "she saw the lines the wind drew on the water.",
    "",
    "They ran south, as straight as a thought,",
    "bright where the sun touched them.",
    "She flew above them all that day,",
    "and her heart grew lighter with every mile.",
    "",
    "In the afternoon a shadow crossed her own.",
    "A hawk hung in the sky above her,",
    "patient, turning slow circles.",
    "She folded her wings and fell toward the sea.",
    "",
    "The water rushed up grey and hard.",
    "At the last moment she opened her wings",
    "and skimmed the crests so low",
    "that the spray wet her breast.",
    "The hawk did not follow.",
    "",
    "That night there were no stars.",
    "Rain came sideways out of the dark",
    "and the wind pushed her east and west",
    "until she could not tell which way was south.",
    "She flew only to stay above the waves,",
    "and she was very afraid.",
    "",
    "Then the rain stopped.",
    "",
    "Far ahead, low on the water,",
    "a faint warm light was breathing.",
    "Not a star, not the moon.",
    "She turned toward it without knowing why.",
    "",
    "It was a lighthouse on a rock,",
    "and on the rock were other birds,",
    "tired and wet, huddled in a line.",
    "They made room for her.",
    "No one asked where she came from.",
    "She slept between two strangers until dawn.",
    "",
    "In the morning they flew together.",
    "",
    "One bird is a speck above the sea;",
    "a flock is a shape the wind can hold.",
    "They took turns at the front,",
    "and those behind flew in the leader's wake.",
    "",
    "Days passed like waves.",
    "The water turned from grey to green to blue.",
    "The air grew soft and smelled of flowers,",
    "and one evening, at the edge of the world,",
    "she saw a dark hill rising from the sea.",
    "",
    "Her island. Warm sand, tall trees,",
    "and the old cliff where her mother waited,",
    "calling the names of her brood into the wind.",
    "",
    "She answered.",
    "Her voice was small and hoarse from the journey,",
    "but her mother heard it at once.",
    "",
    "And the little grey bird came",
    "Home",
};

}  // namespace

const std::string& storyLine(int number) {
  static const std::string none;
  if (number < 1 || number > static_cast<int>(kStory.size())) return none;
  return kStory[static_cast<std::size_t>(number - 1)];
}

// Sets the story's colour, the complement of the sky, and draws nothing.
int drawFlapStats() {
  const int r = plat::Int(255.0f - g.curr);
  const int gr = plat::Int(255.0f - g.curg);
  const int b = plat::Int(255.0f - g.curb);
  plat::SetColor(r, gr, b);
  return 0;
}

int drawTextLine() {
  const std::string& s = storyLine(g.textlinecount);
  // The line grows and fades every frame, whether or not it has text.
  plat::SetScale(g.textsize, g.textsize);
  g.textsize = g.textsize + 0.003f;
  plat::SetAlpha(2.0f - g.textsize);
  plat::DrawText(s, g.textx, g.texty);
  // Each test reads the value left by the one before it.
  if (g.textx < g.texttx) g.textx = g.textx + 0.03f;
  if (g.texty < g.textty) g.texty = g.texty + 0.03f;
  if (g.textx > g.texttx) g.textx = g.textx - 0.03f;
  if (g.texty > g.textty) g.texty = g.texty - 0.03f;
  plat::SetScale(1.0f, 1.0f);
  plat::SetAlpha(1.0f);
  return 0;
}

}  // namespace velkaro
