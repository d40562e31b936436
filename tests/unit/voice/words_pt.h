// Common Brazilian words with the phonemes a carioca or paulista reader says,
// written from the rules of the language: final unstressed e and o as i and
// u, l at the end of a syllable as w, r at the start or doubled strong (rr)
// and at the end of a syllable r2, s between vowels as z and at the end of a
// syllable s2, nasal vowels before m and n, x as ch, z, s or ks, the open
// vowels ee and oo. ">" marks the stressed phoneme. Words of one or two
// letters and a few grammar words carry no stress.
#pragma once

#include <string_view>

namespace palavrino::voice::testing {

constexpr std::string_view WORD_LIST = R"(
casa: k >a z a
casas: k >a z a s2
carro: k >a rr u
caro: k >a r u
rato: rr >a t u
rua: rr >u a
rosa: rr >oo z a
honra: >on rr a
porta: p >oo r2 t a
portas: p >oo r2 t a s2
mar: m >a r2
falar: f a l >a r2
amor: a m >o r2
flor: f l >o r2
cor: k >o r2
calor: k a l >o r2
professor: p r o f e s >o r2
prato: p r >a t u
branco: b r >an k u
livro: l >i v r u
livros: l >i v r u s2
letra: l >e t r a
preto: p r >e t u
mesmo: m >e s2 m u
pasta: p >a s2 t a
mesa: m >e z a
fazer: f a z >e r2
feliz: f e l >i s2
luz: l >u s2
dez: d >ee s2
arroz: a rr >o s2
talvez: t a w v >e s2
Brasil: b r a z >i w
sal: s >a w
alto: >a w t u
azul: a z >u w
abril: a b r >i w
papel: p a p >ee w
hotel: o t >ee w
sol: s >oo w
jornal: j o r2 n >a w
hospital: o s2 p i t >a w
fácil: f >a s i w
útil: >u t i w
difícil: d i f >i s i w
possível: p o s >i v e w
filho: f >i lh u
mulher: m u lh >ee r2
olho: >o lh u
julho: j >u lh u
trabalho: t r a b >a lh u
vermelho: v e r2 m >e lh u
ninho: n >i nh u
banho: b >a nh u
junho: j >u nh u
cozinha: k o z >i nh a
montanha: m on t >a nh a
amanhã: a m a nh >an
chuva: x >u v a
chave: x >a v i
acho: >a x u
cachorro: k a x >o rr u
xícara: x >i k a r a
caixa: k >a y x a
peixe: p >e y x i
lixo: l >i x u
enxada: en x >a d a
exame: e z >a m i
exemplo: e z >en p l u
existe: e z >i s2 t i
exercício: e z e r2 s >i s i u
texto: t >e s2 t u
extra: >e s2 t r a
táxi: t >a k s i
táxis: t >a k s i s2
próximo: p r >oo s i m u
exceção: e s e s >an w
quero: k >e r u
queijo: k >e y j u
quilo: k >i l u
aqui: a k >i
quando: k w >an d u
quatro: k w >a t r u
qual: k w >a w
quase: k w >a z i
quarto: k w >a r2 t u
quem: k >en y
questão: k e s2 t >an w
guerra: g >ee rr a
guitarra: g i t >a rr a
seguinte: s e g >in t i
alguém: a w g >en y
água: >a g w a
língua: l >in g w a
guarda: g w >a r2 d a
linguiça: l in g w >i s a
cinquenta: s in k w >en t a
tranquilo: t r an k w >i l u
pinguim: p in g w >in
gente: j >en t i
girafa: j i r >a f a
gato: g >a t u
jogo: j >o g u
hoje: >o j i
homem: >o m en y
homens: >o m en y s2
jovem: j >o v en y
item: >i t en y
hífen: >i f en
tem: t >en y
bem: b >en y
cem: s >en y
também: t an b >en y
sempre: s >en p r i
tempo: t >en p u
vento: v >en t u
cinco: s >in k u
fim: f >in
assim: a s >in
ruim: rr u >in
mundo: m >un d u
uma: >u m a
álbum: >a w b un
bom: b >on
som: s >on
ontem: >on t en y
compra: k >on p r a
computador: k on p u t a d >o r2
venda: v >en d a
dança: d >an s a
banco: b >an k u
lâmpada: l >an p a d a
câmera: k >an m e r a
mãe: m >an y
pão: p >an w
mão: m >an w
irmão: i r2 m >an w
irmãos: i r2 m >an w s2
coração: k o r a s >an w
ação: a s >an w
nação: n a s >an w
lição: l i s >an w
informação: in f o r2 m a s >an w
televisão: t e l e v i z >an w
feijão: f e y j >an w
limão: l i m >an w
avião: a v i >an w
corações: k o r a s >on y s2
limões: l i m >on y s2
cães: k >an y s2
maçã: m a s >an
falam: f >a l an w
cantam: k >an t an w
sair: s a >i r2
raiz: rr a >i s2
juiz: j u >i s2
rainha: rr a >i nh a
ainda: a >in d a
país: p a >i s2
saúde: s a >u d i
baú: b a >u
viúva: v i >u v a
ciúme: s i >u m i
pai: p >a y
praia: p r >a y a
maio: m >a y u
boi: b >o y
lei: l >e y
rei: rr >e y
sei: s >e y
leite: l >e y t i
noite: n >o y t i
coisa: k >o y z a
cadeira: k a d >e y r a
primeiro: p r i m >e y r u
terceiro: t e r2 s >e y r u
janeiro: j a n >e y r u
dinheiro: d i nh >e y r u
banheiro: b a nh >e y r u
dezesseis: d e z e s >e y s2
outro: >o t r u
pouco: p >o k u
vou: v >o
sou: s >o
estou: i s2 t >o
falou: f a l >o
outubro: o t >u b r u
mau: m >a w
céu: s >ee w
meu: m >e w
comeu: k o m >e w
partiu: p a r2 t >i w
europeu: e w r o p >e w
aumento: a w m >en t u
saudade: s a w d >a d i
aula: >a w l a
tchau: t x >a w
ideia: i d >ee y a
cidade: s i d >a d i
cidades: s i d >a d i s2
tarde: t >a r2 d i
parte: p >a r2 t i
forte: f >oo r2 t i
carne: k >a r2 n i
verde: v >e r2 d i
grande: g r >an d i
nove: n >oo v i
neve: n >ee v i
leve: l >ee v i
sete: s >ee t i
dezessete: d e z e s >ee t i
quinze: k >in z i
vinte: v >in t i
trinta: t r >in t a
quarenta: k w a r >en t a
mil: m >i w
milhão: m i lh >an w
nome: n >o m i
sabe: s >a b i
time: t >i m i
escola: i s2 k >oo l a
estar: i s2 t >a r2
estado: i s2 t >a d u
estrela: i s2 t r >ee l a
espaço: i s2 p >a s u
escrever: i s2 k r e v >e r2
escritório: i s2 k r i t >oo r i u
nascer: n a s >e r2
crescer: k r e s >e r2
piscina: p i s >i n a
passar: p a s >a r2
isso: >i s u
pessoa: p e s >o a
pássaro: p >a s a r u
abraço: a b r >a s u
preço: p r >e s u
março: m >a r2 s u
criança: k r i >an s a
pensar: p en s >a r2
presente: p r e z >en t i
preciso: p r e s >i z u
música: m >u z i k a
médico: m >ee d i k u
número: n >u m e r u
ônibus: >o n i b u s2
lápis: l >a p i s2
vírus: v >i r u s2
tênis: t >e n i s2
rádio: rr >a d i u
prédio: p r >ee d i u
remédio: rr e m >ee d i u
relógio: rr e l >oo j i u
história: i s2 t >oo r i a
família: f a m >i l i a
vitória: v i t >oo r i a
aniversário: a n i v e r2 s >a r i u
árvore: >a r2 v o r i
açúcar: a s >u k a r2
você: v o s >e
café: k a f >ee
avô: a v >o
avó: a v >oo
até: a t >ee
olá: o l >a
mês: m >e s2
para: p >a r a
pra: p r >a
muito: m >u y t u
cuidado: k u y d >a d u
pergunta: p e r2 g >un t a
segunda: s e g >un d a
segundo: s e g >un d u
domingo: d o m >in g u
dezembro: d e z >en b r u
agosto: a g >o s2 t u
problema: p r o b l >e m a
sistema: s i s2 t >e m a
teclado: t e k l >a d u
tela: t >ee l a
janela: j a n >ee l a
programa: p r o g r >a m a
arquivo: a r2 k >i v u
palavra: p a l >a v r a
frase: f r >a z i
dia: d >i a
tia: t >i a
rio: rr >i u
frio: f r >i u
lua: l >u a
uva: >u v a
vida: v >i d a
tudo: t >u d u
nada: n >a d a
menino: m e n >i n u
menina: m e n >i n a
amigo: a m >i g u
amiga: a m >i g a
lei: l >e y
governo: g o v >e r2 n u
fazendo: f a z >en d u
comendo: k o m >en d u
dormir: d o r2 m >i r2
abrir: a b r >i r2
sorrir: s o rr >i r2
correr: k o rr >e r2
beber: b e b >e r2
comer: k o m >e r2
ler: l >e r2
ver: v >e r2
ter: t >e r2
ser: s >e r2
vir: v >i r2
ouvir: o v >i r2
pedir: p e d >i r2
sentir: s en t >i r2
cantar: k an t >a r2
obrigado: o b r i g >a d u
obrigada: o b r i g >a d a
desculpa: d e s2 k >u w p a
bonito: b o n >i t u
bonita: b o n >i t a
feio: f >e y u
pequeno: p e k >e n u
novo: n >o v u
ovo: >o v u
velho: v >ee lh u
certo: s >ee r2 t u
errado: e rr >a d u
nunca: n >un k a
semana: s e m >a n a
ano: >a n u
banana: b a n >a n a
laranja: l a r >an j a
fruta: f r >u t a
cavalo: k a v >a l u
vaca: v >a k a
caneta: k a n >e t a
sala: s >a l a
apartamento: a p a r2 t a m >en t u
trem: t r >en y
bicicleta: b i s i k l >ee t a
doente: d o >en t i
gostar: g o s2 t >a r2
gosto: g >o s2 t u
saber: s a b >e r2
conhecer: k o nh e s >e r2
futebol: f u t i b >oo w
bola: b >oo l a
festa: f >ee s2 t a
hora: >oo r a
horas: >oo r a s2
agora: a g >oo r a
minuto: m i n >u t u
telefone: t e l e f >o n i
revista: rr e v >i s2 t a
aluno: a l >u n u
todo: t >o d u
todos: t >o d u s2
internet: in t e r2 n >ee t i
mouse: m >a w z i
site: s >a y t i
email: i m >e y w
shopping: x >oo p in
pizza: p >i t s a
ok: o k >e y
)";

// Words said without stress: too short, or grammar words.
constexpr std::string_view UNSTRESSED_LIST = R"(
é: ee
e: i
o: u
os: u s2
a: a
as: a s2
de: d i
do: d u
da: d a
em: en y
no: n u
se: s i
só: s oo
já: j a
lá: l a
ir: i r2
oi: o y
um: un
com: k on
por: p o r2
dos: d u s2
das: d a s2
não: n an w
sim: s in
)";

} // namespace palavrino::voice::testing
