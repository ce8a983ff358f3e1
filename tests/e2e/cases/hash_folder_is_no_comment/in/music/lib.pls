[playlist]
File1=#1 Hits/05 Summer.mp3
File2=Other/07 Winter.mp3
