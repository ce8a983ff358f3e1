[playlist]
NumberOfEntries=5
File1=/media/old-disk/Music/Gull Harbour Band/Tides/02 Low Water.mp3
Title1=Gull Harbour Band - Low Water
Length1=297
File2=/music/Fennel and Rye/Kitchen Songs/01 Bread and Salt.mp3
Title2=Fennel & Rye - Bread and Salt
Length2=192
File3=/music/Dalia Moreno/Live at the Dunes/03 Mirage.mp3
Title3=Dalia Moreno - Mirage
Length3=355
File4=/music/Eero Lind/Winter/04 Ice Road.mp3
Title4=Eero Lind - Ice Road
Length4=283
File5=/music/Gull Harbour Band/Tides/03 Spring Tide.mp3
Title5=Gull Harbour Band - Spring Tide
Length5=276
Version=2
