#!/usr/bin/env python3
"""Writes the demo game's scripts as the engine reads them: Shift-JIS (CP932)
with CR LF line ends. The scripts are kept here as UTF-8 text.

Run from the repository root:  python3 demo/tools/make_scripts.py
"""
import os

OUT = os.path.join(os.path.dirname(__file__), "..", "script")

START = r"""
// Velmoor demo: the title screen and a short branch for each choice.
chapter main {
	$SYSTEM_demo_started = 1;
	while (1) {
		call_scene "script/title.txt";
		if ($choice == 3) { Exit(); }
		if ($choice == 1) {
			// A short prologue over the window; a click (or Enter) asks to
			// skip it. The window goes black first: the movie covers the
			// top of the window only, and the rest keeps what it showed.
			CreateColor("curtain", 1000, 0, 0, 1024, 768, "#000000");
			Wait(50);
			MoviePlay("data/movie/prologue.mkv", TRUE);
			Delete("curtain");
			call_scene "script/dawn.txt";
		}
		if ($choice == 2) { call_scene "script/sea.txt"; }
	}
}
"""

TITLE = r"""
// タイトル画面: background, moon and logo come in, then three buttons.
scene Main {
	$choice = 0;
	CreateTexture("bg", 0, 0, 0, "data/bg/title.png");
	CreateTexture("moon", 10, 780, 0, "data/img/moon.png");
	CreateTexture("logo", 20, CENTER, 250, "data/img/logo.png");
	Fade("moon", 0, 0, NULL, NULL);
	Fade("logo", 0, 0, NULL, NULL);
	Zoom("logo", 0, 400, 400, NULL, NULL);
	Move("moon", 0, 900, 120, NULL, NULL);
	Wait(200);
	Fade("moon", 1500, 1000, NULL, NULL);
	Move("moon", 1500, 780, 0, NULL, NULL);
	Fade("logo", 1200, 1000, NULL, NULL);
	// The logo shimmers as it comes in, its rows swaying until they settle.
	DrawEffect("logo", 1600, "LowWave", 120, 0, NULL);
	Zoom("logo", 1200, 1000, 1000, NULL, TRUE);

	// Each button blips when the mouse comes over it and clicks when pressed:
	// the sounds of its MouseOver and MouseClick groups start with the group.
	CreateName("menu");
	CreateChoice("menu/start", 150, 150, 150, 100);
	CreateTexture("menu/start/MouseUsual/p", 30, CENTER, 420, "data/ui/btn_start_normal.png");
	CreateTexture("menu/start/MouseOver/p", 31, CENTER, 420, "data/ui/btn_start_hover.png");
	CreateTexture("menu/start/MouseLeave/p", 31, CENTER, 420, "data/ui/btn_start_normal.png");
	CreateTexture("menu/start/MouseClick/p", 32, CENTER, 420, "data/ui/btn_start_click.png");
	CreateSound("menu/start/MouseOver/se", SE, "data/se/hover");
	CreateSound("menu/start/MouseClick/se", SE, "data/se/click");
	// Starting the story answers with an echo: 40 % wet, 30 % feedback,
	// 120 ms on the left and 180 ms on the right.
	SoundEffect("menu/start/MouseClick/se", "Echo", 40, 30, 120, 180);
	CreateChoice("menu/story", 150, 150, 150, 100);
	CreateTexture("menu/story/MouseUsual/p", 30, CENTER, 510, "data/ui/btn_story_normal.png");
	CreateTexture("menu/story/MouseOver/p", 31, CENTER, 510, "data/ui/btn_story_hover.png");
	CreateTexture("menu/story/MouseLeave/p", 31, CENTER, 510, "data/ui/btn_story_normal.png");
	CreateTexture("menu/story/MouseClick/p", 32, CENTER, 510, "data/ui/btn_story_click.png");
	CreateSound("menu/story/MouseOver/se", SE, "data/se/hover");
	CreateSound("menu/story/MouseClick/se", SE, "data/se/click");
	CreateChoice("menu/quit", 150, 150, 150, 100);
	CreateTexture("menu/quit/MouseUsual/p", 30, CENTER, 600, "data/ui/btn_quit_normal.png");
	CreateTexture("menu/quit/MouseOver/p", 31, CENTER, 600, "data/ui/btn_quit_hover.png");
	CreateTexture("menu/quit/MouseLeave/p", 31, CENTER, 600, "data/ui/btn_quit_normal.png");
	CreateTexture("menu/quit/MouseClick/p", 32, CENTER, 600, "data/ui/btn_quit_click.png");
	CreateSound("menu/quit/MouseOver/se", SE, "data/se/hover");
	CreateSound("menu/quit/MouseClick/se", SE, "data/se/click");
	// The arrow keys walk the buttons; Enter chooses.
	SetNextFocus("menu/start", "menu/story", DOWN);
	SetNextFocus("menu/story", "menu/quit", DOWN);
	SetNextFocus("menu/quit", "menu/start", DOWN);
	SetNextFocus("menu/story", "menu/start", UP);
	SetNextFocus("menu/quit", "menu/story", UP);
	SetNextFocus("menu/start", "menu/quit", UP);
	Wait(100);

	select {
		case "menu/start": { $choice = 1; }
		case "menu/story": { $choice = 2; }
		case "menu/quit": { $choice = 3; }
	}
	Fade("menu/*", 300, 0, NULL, NULL);
	Fade("logo", 300, 0, NULL, NULL);
	Fade("moon", 300, 0, NULL, TRUE);
}
"""

DAWN = r"""
// First choice: dawn wiping in over the hills, a lantern drifting up with a
// trail of after-images, and a postcard of the sea that turns and grows in
// about its centre: a window clipping the sea picture, toned like an old
// photograph.
scene Main {
	CreateTexture("bg", 0, 0, 0, "data/bg/dawn.png");
	// The dawn wipes in along a rule picture, from the top-left corner.
	DrawTransition("bg", 1500, 0, 1000, 6, data/rule/diagonal.png, NULL, NULL);
	CreateTexture("lantern", 10, CENTER, 640, "data/img/lantern.png");
	Fade("lantern", 0, 0, NULL, NULL);
	// A firefly circling in the corner: a looping movie shown as a picture.
	CreateMovie("firefly", 15, 40, 40, TRUE, FALSE, "data/movie/glow.mkv", 300);
	CreateWindow("card", 20, 640, 420, 320, 220, FALSE);
	CreateTexture("card/sea", 21, 288, 40, "data/bg/sea.png");
	SetVertex("card", center, middle);
	SetTone("card/sea", Sepia);
	Zoom("card", 0, 100, 100, NULL, NULL);
	Rotate("card", 0, 0, 0, -30, NULL, NULL);
	Wait(100);
	SetBlur("lantern", TRUE, 6, 250, 70, TRUE);
	Fade("lantern", 800, 1000, NULL, NULL);
	Move("lantern", 2500, 464, 260, NULL, NULL);
	Zoom("card", 1500, 1000, 1000, NULL, NULL);
	Rotate("card", 1500, 0, 0, 0, NULL, TRUE);
	WaitMove("lantern", TRUE);
	// A caption under the lantern, Japanese and English on one line, white
	// with a dark shadow. A full stop written "&." is drawn ("." alone is a
	// short pause in text).
	SetFont("ＭＳ Ｐゴシック", 28, "#FFFFFF", "#202040", BOLD, RIGHTDOWN);
	CreateText("caption", 30, CENTER, 660, AUTO, AUTO, "夜明けが丘を照らす。 Dawn breaks over the hills&.");
	// A caption is not dialogue: it stays out of the backlog.
	Request("caption", "NoLog");
	Fade("caption", 0, 0, NULL, NULL);
	Fade("caption", 800, 1000, NULL, TRUE);
	WaitKey();
	Fade("caption", 300, 0, NULL, NULL);
	// The postcard breaks into pieces that tumble away.
	DrawEffect("card/sea", 1500, "HardSplit", 0, 1000, NULL);
	Wait(1600);
	// A short dialogue in a text window: the speaker's name on its plate,
	// and the lines revealed character by character. A click or Enter goes
	// on at each stop (the diamond: more on this page; the triangle: a new
	// page); holding Ctrl skips. The wheel turned forward (or Up, Page Up)
	// opens the backlog, where the speaker beside Mio's line plays it again. Mio's first line is voiced, the hill's old
	// name carries its reading above it, and the count of visits is the
	// player's own (its sum sign is not in the Japanese font: it is drawn from
	// another installed font, at the same size on the same baseline). Her voice is of the class mio, which the settings list
	// (ボイス, all_name): a settings screen silences it by taking mio out
	// of $SYSTEM_voice_enable_list. Code in braces inside a line runs as a
	// script of its own when the text gets there, and the line waits for it:
	// here the lantern dims before she goes on.
	$visits = $visits + 1;
	CreateTexture("window", 50, 32, 560, "data/ui/textwindow.png");
	CreateTexture("nameplate", 51, 48, 538, "data/ui/nameplate.png");
	Fade("window", 0, 0, NULL, NULL);
	Fade("nameplate", 0, 0, NULL, NULL);
	Fade("window", 300, 1000, NULL, NULL);
	Fade("nameplate", 300, 1000, NULL, TRUE);
	SetFont("ＭＳ Ｐゴシック", 22, "#FFFFFF", "#202040", BOLD, RIGHTDOWN);
	CreateText("name", 52, 70, 542, AUTO, AUTO, "ミオ　Mio");
	Request("name", "NoLog");
	Request("name", "PushText");
	SetFont("ＭＳ Ｐゴシック", 26, "#FFFFFF", "#202040", NORMAL, RIGHTDOWN);
<PRE window/text>
[talk]
<VOICE NAME=mio CLASS=mio SRC="data/voice/mio01">おはよう。<RUBY='あかつき'>暁</RUBY>の丘へ、ようこそ。<K>
Good morning&, and welcome to the hills at dawn&.

<FONT INCOLOR=#FFE080>今日で<VALUE NAME=$visits>回目の夜明けだね。</FONT>{ Fade("lantern", 600, 350, NULL, TRUE); }<K>
This is dawn number <VALUE NAME=$visits> for you (∑ <VALUE NAME=$visits>)&. <I>Shall we watch it together?</I>
</PRE>
	LoadText("Main", "window/text", "talk", 900, 160, NULL, NULL);
	Move("window/text", 0, 32, 28, NULL, NULL);
	Request("window/text", "Enter");
	WaitText("window/text", NULL);
	WaitKey();
	Fade("window/text", 300, 0, NULL, NULL);
	Fade("name", 300, 0, NULL, NULL);
	Fade("nameplate", 300, 0, NULL, NULL);
	Fade("window", 300, 0, NULL, TRUE);
}
"""

SEA = r"""
// Second choice: the moon over the sea, and a slider that sets how brightly
// it shines. Drag the knob, click the track, or turn the wheel back over it.
scene Main {
	CreateTexture("bg", 0, 0, 0, "data/bg/sea.png");
	CreateTexture("moon", 10, INRIGHT, INTOP, "data/img/moon.png");
	Zoom("moon", 0, 600, 600, NULL, NULL);
	// The moon comes out of coarse blocks into focus as it rises.
	DrawEffect("moon", 1800, "Mosaic", 1000, 0, NULL);
	Wait(100);
	Zoom("moon", 2000, 1000, 1000, NULL, NULL);
	Move("moon", 2000, 620, 80, NULL, TRUE);

	CreateTexture("label", 40, CENTER, 660, "data/ui/label_moonlight.png");
	CreateTexture("track", 40, 312, 700, "data/ui/slider_track.png");
	// The knob runs from the track's left end to its right end, at full
	// brightness to begin with.
	CreateScrollbar("light", 41, 312, 688, 688, 688, 1000, HORIZONTAL, "data/ui/slider_thumb.png");
	SetScrollbar("light", "light");
	SetScrollSpeed("light", 19);
	Request("light", "Clickable");

	// A strip along the top shows the sea below it in the colours of an old
	// blue-toned print; a light rain falls over the sea; a round lens
	// magnifies the waves in the corner.
	CreateEffect("print", 30, 0, 0, 1024, 48, "KitanoBlue");
	$SYSTEM_effect_rain_dencity = 48;
	CreateEffect("rain", 20, 0, 0, 1024, 768, "Rain");
	CreateEffect("lens", 25, 24, 440, 180, 180, "Lens");

	CreateChoice("back", 150, 150, 150, 100);
	CreateTexture("back/MouseUsual/p", 40, 820, 684, "data/ui/btn_back_normal.png");
	CreateTexture("back/MouseOver/p", 41, 820, 684, "data/ui/btn_back_hover.png");
	CreateTexture("back/MouseLeave/p", 41, 820, 684, "data/ui/btn_back_normal.png");
	CreateTexture("back/MouseClick/p", 42, 820, 684, "data/ui/btn_back_click.png");
	CreateSound("back/MouseOver/se", SE, "data/se/hover");
	CreateSound("back/MouseClick/se", SE, "data/se/click");
	Wait(100);

	$done = 0;
	while ($done == 0) {
		select {
			case "light": {
				$light = ScrollbarValue("light");
				Fade("moon", 0, $light, NULL, NULL);
			}
			case "back": { $done = 1; }
		}
	}
	Fade("*", 300, 0, NULL, TRUE);
}
"""

BACKLOG = r"""
// The backlog screen, run by the engine as a system script when the player
// turns the wheel forward (or presses Up or Page Up) during play. It shows
// the text read so far over a dimmed scene; the wheel, the arrow keys, Page
// Up / Page Down and the scroll bar on the right scroll it; the speaker
// beside a voiced line plays that voice again; a right click closes it.
chapter main {
	$SYSTEM_backlog_enable = 1;
	$SYSTEM_backlog_position_x = 120;
	$SYSTEM_backlog_position_y = 110;
	$SYSTEM_backlog_row_interval = 30;
	$SYSTEM_backlog_character_width = 22;
	$SYSTEM_backlog_voice_icon_x = 84;
	$SYSTEM_backlog_row_max = 17;
	SetFont("ＭＳ Ｐゴシック", 22, "#FFFFFF", "#202040", NORMAL, RIGHTDOWN);
	CreateColor("shade", 900, 0, 0, 1024, 768, "#0A1020");
	Fade("shade", 0, 850, NULL, NULL);
	CreateBacklog("log", 910);
	CreateTexture("track", 905, 946, 100, "data/ui/backlog_track.png");
	CreateScrollbar("bar", 911, 942, 100, 942, 500, 1000, VERTICAL, "data/ui/backlog_thumb.png");
	SetScrollbar("bar", "log");
	Request("bar", "Clickable");
	while ($SYSTEM_backlog_enable == 1) {
		Wait(50);
	}
}
"""


def write(name, text):
    data = text.lstrip("\n").replace("\r\n", "\n").replace("\n", "\r\n").encode("cp932")
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def main():
    os.makedirs(OUT, exist_ok=True)
    write("start.txt", START)
    write("title.txt", TITLE)
    write("dawn.txt", DAWN)
    write("sea.txt", SEA)
    write("backlog.txt", BACKLOG)


if __name__ == "__main__":
    main()
