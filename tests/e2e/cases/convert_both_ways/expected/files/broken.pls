[playlist]
NumberOfEntries=4
File1=/mnt/old/Anna Berg/Northern Shore/01 Harbour Lights.mp3
Title1=Anna Berg - Harbour Lights
Length1=245
File2=/music/Dalia Moreno/Live/04 Sandstorm.mp3
File3=/music/eero lind/winter/01 snowfall.mp3
Title3=Eero Lind - Snowfall
Length3=176
Version=2
File4=/music/Anna Berg/Northern Shore/02 Salt Wind.mp3
Title4=Salt Wind
