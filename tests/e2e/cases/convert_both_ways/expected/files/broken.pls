#EXTM3U
#EXTINF:245,Anna Berg - Harbour Lights
/music/Anna Berg/Northern Shore/01 Harbour Lights.mp3
/music/Dalia Moreno/Live/04 Sandstorm.mp3
#EXTINF:176,Eero Lind - Snowfall
/music/Eero Lind/Winter/01 Snowfall.mp3
#EXTINF:0,Salt Wind
/music/Anna Berg/Northern Shore/02 Salt Wind.mp3
