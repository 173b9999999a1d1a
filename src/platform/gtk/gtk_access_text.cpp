// GTK backend: a control's text as ATK offers it to screen readers, by character, word
// and line, and the caret that the reading keys move through a label the keyboard
// reaches, so a screen reader's line navigation reads the song row by row.
#include <atk/atk.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <string>

#include "platform/gtk/gtk_state.h"
#include "platform/text_units.h"

namespace sp::gtkui {
namespace {

namespace tu = text_units;

std::u32string Characters(gpointer accessible) {
  return tu::Decode(TextOf(accessible).text);
}

gchar* Slice(const std::u32string& text, tu::Span span) {
  const int length = int(text.size());
  const int start = std::clamp(span.start, 0, length);
  const int end = std::clamp(span.end, start, length);
  gchar* out = g_ucs4_to_utf8(reinterpret_cast<const gunichar*>(text.data()) + start, end - start,
                              nullptr, nullptr, nullptr);
  return out ? out : g_strdup("");
}

// A unit and where it lies, in the form ATK answers with.
gchar* Answer(const std::u32string& text, tu::Span span, gint* start, gint* end) {
  *start = span.start;
  *end = span.end;
  return Slice(text, span);
}

tu::Unit UnitOf(AtkTextBoundary boundary) {
  switch (boundary) {
    case ATK_TEXT_BOUNDARY_CHAR:
      return tu::Unit::Character;
    case ATK_TEXT_BOUNDARY_WORD_START:
      return tu::Unit::WordStart;
    case ATK_TEXT_BOUNDARY_WORD_END:
      return tu::Unit::WordEnd;
    case ATK_TEXT_BOUNDARY_SENTENCE_END:
    case ATK_TEXT_BOUNDARY_LINE_END:
      return tu::Unit::LineEnd;
    case ATK_TEXT_BOUNDARY_SENTENCE_START:
    case ATK_TEXT_BOUNDARY_LINE_START:
      break;
  }
  // Each row is a sentence of its own.
  return tu::Unit::LineStart;
}

gchar* GetText(AtkText* text, gint start, gint end) {
  const std::u32string chars = Characters(text);
  if (end < 0) end = gint(chars.size());
  return Slice(chars, {start, end});
}

gunichar CharacterAt(AtkText* text, gint offset) {
  const std::u32string chars = Characters(text);
  return offset >= 0 && std::size_t(offset) < chars.size() ? gunichar(chars[std::size_t(offset)])
                                                           : 0;
}

gchar* TextAt(AtkText* text, gint offset, AtkTextBoundary boundary, gint* start, gint* end) {
  const std::u32string chars = Characters(text);
  return Answer(chars, tu::At(chars, offset, UnitOf(boundary)), start, end);
}

gchar* TextBefore(AtkText* text, gint offset, AtkTextBoundary boundary, gint* start, gint* end) {
  const std::u32string chars = Characters(text);
  return Answer(chars, tu::Before(chars, offset, UnitOf(boundary)), start, end);
}

gchar* TextAfter(AtkText* text, gint offset, AtkTextBoundary boundary, gint* start, gint* end) {
  const std::u32string chars = Characters(text);
  return Answer(chars, tu::After(chars, offset, UnitOf(boundary)), start, end);
}

// A word or a line without the spaces or the line break that follow it.
gchar* StringAt(AtkText* text, gint offset, AtkTextGranularity granularity, gint* start,
                gint* end) {
  const std::u32string chars = Characters(text);
  tu::Span span;
  switch (granularity) {
    case ATK_TEXT_GRANULARITY_CHAR:
      span = tu::At(chars, offset, tu::Unit::Character);
      break;
    case ATK_TEXT_GRANULARITY_WORD:
      span = tu::At(chars, offset, tu::Unit::WordStart);
      while (span.end > span.start && g_unichar_isspace(chars[std::size_t(span.end - 1)]))
        --span.end;
      break;
    default:
      span = tu::At(chars, offset, tu::Unit::LineStart);
      if (span.end > span.start && chars[std::size_t(span.end - 1)] == U'\n') --span.end;
      break;
  }
  return Answer(chars, span, start, end);
}

gint CharacterCount(AtkText* text) {
  return gint(Characters(text).size());
}

gint CaretOffset(AtkText* text) {
  return TextOf(text).caret;
}

gboolean SetCaret(AtkText* text, gint offset) {
  const gint length = CharacterCount(text);
  if (offset < 0 || offset > length) return FALSE;
  TextOf(text).caret = offset;
  return TRUE;
}

gint NoSelections(AtkText*) {
  return 0;
}

// One run without attributes over the whole text: a screen reader reads a line run by
// run, and would read nothing of runs that cover nothing.
AtkAttributeSet* RunAttributes(AtkText* text, gint, gint* start, gint* end) {
  *start = 0;
  *end = CharacterCount(text);
  return nullptr;
}

}  // namespace

void InitAccessibleText(AtkTextIface* iface) {
  iface->get_text = GetText;
  iface->get_character_at_offset = CharacterAt;
  iface->get_text_at_offset = TextAt;
  iface->get_text_before_offset = TextBefore;
  iface->get_text_after_offset = TextAfter;
  iface->get_string_at_offset = StringAt;
  iface->get_character_count = CharacterCount;
  iface->get_caret_offset = CaretOffset;
  iface->set_caret_offset = SetCaret;
  iface->get_n_selections = NoSelections;
  iface->get_run_attributes = RunAttributes;
}

void ReplaceText(AtkObject* accessible, const std::string& before, const std::string& after) {
  const gint old_length = gint(tu::Decode(before).size());
  const gint new_length = gint(tu::Decode(after).size());
  int& caret = TextOf(accessible).caret;
  caret = std::min(caret, int(new_length));
  g_signal_emit_by_name(accessible, "text-remove", 0, old_length, before.c_str());
  g_signal_emit_by_name(accessible, "text-insert", 0, new_length, after.c_str());
}

bool MoveReadingCaret(AtkObject* accessible, const GdkEventKey* event) {
  const std::u32string chars = Characters(accessible);
  const int length = int(chars.size());
  int& caret = TextOf(accessible).caret;
  const bool control = (event->state & GDK_CONTROL_MASK) != 0;
  int to = caret;
  switch (event->keyval) {
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
      to = tu::PreviousLineStart(chars, caret);
      break;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
      to = tu::NextLineStart(chars, caret);
      break;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
      to = std::max(0, caret - 1);
      break;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
      to = std::min(length, caret + 1);
      break;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
      to = control ? 0 : tu::At(chars, caret, tu::Unit::LineStart).start;
      break;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
      to = control ? length : tu::LineEndOf(chars, caret);
      break;
    default:
      return false;
  }
  if (to != caret) {
    caret = to;
    g_signal_emit_by_name(accessible, "text-caret-moved", to);
  }
  return true;
}

}  // namespace sp::gtkui
