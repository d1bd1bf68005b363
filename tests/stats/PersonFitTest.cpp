#include "stats/PersonFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "counts/ItemCodeCounts.h"
#include "model/ItemResponse.h"
#include "stats/RandomStream.h"

namespace {

constexpr double kNone = kNoPersonFigure;

// The independent reference's figures (tests/reference/person_fit.py).
struct Reference {
    const char* pattern;
    const char* estimator;
    double theta, se, lz, lzStar, p, infit, outfit, infitT, outfitT;
    const char* note;
};

const Reference kReference[] = {
    {"A1", "wle", 0.1945122638523431, 0.6945755841158304, 1.017659549927835, 1.0613621351593674, 0.855737321045594, 0.4941064361786885, 0.3840820921269354, -1.2065395902212186, -0.3589208052492861, ""},
    {"A1", "ml", 0.20181006948464716, 0.6933941814340725, 1.013474830676757, 1.06135952943172, 0.855736729176609, 0.4952722442083367, 0.384534389039817, -1.1974006873464045, -0.35085354250400164, ""},
    {"A1", "map", 0.14850395763447458, 0.5817120188405386, 1.0410140359677715, 1.0586067272271074, 0.8551105390478909, 0.4885903641350156, 0.3823289901113846, -1.2590599067486794, -0.4078593242660358, ""},
    {"A1", "eap", -0.015605844508227084, 0.5961258303859572, 1.0764875051584504, kNone, kNone, 0.49326093044677843, 0.3907620524668299, -1.3534004003952456, -0.5511432072501286, "no_correction_for_eap"},
    {"A2", "wle", -2.0622122109514365, 1.5022318573892537, -2.725652763714378, -3.2401132234288035, 0.0005974112284785522, 2.2716460220505867, 2.9847556277567837, 2.0206015334482084, 2.310869782489042, ""},
    {"A2", "ml", kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, "at_bound"},
    {"A2", "map", -1.3552856740694232, 0.732615300539787, -3.328721786464008, -3.3383496721358243, 0.00042138809454194423, 2.4323628603364003, 3.1302358422248773, 2.4173733559022894, 2.553452983383548, ""},
    {"A2", "eap", -1.3635761343600012, 0.7339970180363584, -3.3202127581994443, kNone, kNone, 2.427852926183575, 3.126697726799518, 2.41258954695295, 2.5501463240773248, "no_correction_for_eap"},
    {"A3", "wle", 1.6443094455266873, 0.8064425661912629, 0.5245224810492138, -0.2832889439728598, 0.3884776758702907, 0.5338316279798729, 0.20072926241215425, -0.3947583215646702, 1.4069194700750272, ""},
    {"A3", "ml", kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, "extreme"},
    {"A3", "map", 1.444949761197623, 0.5636901434071231, 0.5619417587007906, -0.25340963690060836, 0.3999758407382656, 0.5682669140359126, 0.25746665419162434, -0.43642396265727895, 1.0723985006726273, ""},
    {"A3", "eap", 1.5360691740971637, 0.6790717892458908, 0.545069577984511, kNone, kNone, 0.5510114659944242, 0.22937544237180338, -0.41259980613897157, 1.2161549198599266, "no_correction_for_eap"},
    {"A4", "wle", -2.1549932687287985, 1.6450066945830384, 1.2178712329219858, 0.9051497020627294, 0.8173069578848637, 0.3414398929502266, 0.3084122613461632, -1.5476553803132949, -1.3205669320983904, ""},
    {"A4", "ml", kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, "extreme"},
    {"A4", "map", -1.515076817337937, 0.7465631575161166, 0.9143702220357566, 0.7861767593129755, 0.7841180301668085, 0.5816984952268802, 0.49431774256251476, -0.934436864205555, -0.8602083666703241, ""},
    {"A4", "eap", -1.587164594139642, 0.649334092389967, 0.9874822661008513, kNone, kNone, 0.5418401452626797, 0.4602304034775648, -1.0568591707182795, -0.9472474256200599, "no_correction_for_eap"},
    {"A5", "wle", -0.27057893917892606, 0.9157390329773465, 0.1215068248933884, 0.14745719859231302, 0.5586144195312643, 0.9816575814567238, 0.7758334179610136, 0.10836969779129496, 0.07768707066187883, ""},
    {"A5", "ml", -0.40459577395736745, 0.9863323535308286, 0.14643636440177255, 0.14715944103431117, 0.5584969133211448, 0.9607884298872319, 0.7857543464774736, 0.08026597309581138, 0.020489817874105365, ""},
    {"A5", "map", -0.24641373318575296, 0.6822099398129392, 0.11249501784156746, 0.14565825997882378, 0.5579044132181982, 0.9875398644700394, 0.7762914949546208, 0.11937144092078901, 0.09166556180920121, ""},
    {"A5", "eap", -0.3364980711870905, 0.68759230260672, 0.13857666777131733, kNone, kNone, 0.9690701718953827, 0.7782752556367275, 0.08828696981196443, 0.045217063507357214, "no_correction_for_eap"},
    {"A6", "wle", kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, "too_few_answers"},
    {"A6", "ml", kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, "too_few_answers"},
    {"A6", "map", kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, "too_few_answers"},
    {"A6", "eap", kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, "too_few_answers"},
    {"A7", "wle", -1.5974627254144838, 1.1049383157424257, -1.9137581440933618, -1.9561813163474486, 0.025221899330960088, 1.944692491473959, 1.8767802863245, 1.7763860397687947, 1.3721882465215671, ""},
    {"A7", "ml", -1.8940500837884273, 1.306047868110022, -1.8833764275849174, -1.968384217159561, 0.024511923237160827, 1.9647606346642907, 1.933523907716851, 1.7219003827496984, 1.4036750409274312, ""},
    {"A7", "map", -0.8359779800960644, 0.713173404585288, -2.2309027198952025, -2.1653316091745727, 0.01518114968129512, 2.0625060058099534, 2.1417256828295295, 1.9493104212223369, 1.6197584297203715, ""},
    {"A7", "eap", -0.9424334725755437, 0.7156354894802501, -2.1488041953246393, kNone, kNone, 2.047280076786268, 2.0358155264125926, 1.9116625445670985, 1.5349541841964252, "no_correction_for_eap"},
    {"B1", "wle", 0.8403371212100788, 0.7560920232928663, -0.3140369760398062, -0.3160090367267721, 0.37599782451667996, 1.2216222340773752, 1.110503925945956, 0.5519621082017383, 0.3819700268136694, ""},
    {"B1", "ml", 0.8317581136281703, 0.7562035110797439, -0.3123592298539322, -0.3157824966121077, 0.37608380225732974, 1.222106951794572, 1.1062193935089615, 0.5527116512813177, 0.3757639400979522, ""},
    {"B1", "map", 0.540281743731491, 0.6213596028063134, -0.35605387178252906, -0.3436717079496424, 0.3655465951827441, 1.2699321742535827, 1.085066634134084, 0.6231390728599928, 0.34273250536604927, ""},
    {"B1", "eap", 0.5196496862278783, 0.6522288878095726, -0.36635379280433916, kNone, kNone, 1.2749434472053232, 1.0931176638228497, 0.630534591391448, 0.3547848039692646, "no_correction_for_eap"},
    {"B2", "wle", 2.0829654835573788, 1.0622178794314683, -0.9884515430869476, -1.8550973431167634, 0.0317911635732402, 1.947107840738045, 1.7623370533864875, 1.1796831723500802, 0.9138784734190866, ""},
    {"B2", "ml", 2.739516739772717, 1.42631843354743, -1.3310869764977504, -2.227741210528448, 0.012948888606575334, 2.619521502910608, 2.2355093611097923, 1.3977881741090896, 1.1774352187217056, ""},
    {"B2", "map", 1.3814852862203226, 0.6399425828491051, -1.0284422283665369, -1.7710086245122132, 0.038279633774789136, 1.7384097042781512, 1.6417386335420958, 1.1534571849314461, 0.9025617553824223, ""},
    {"B2", "eap", 1.437647719241785, 0.6655374078278474, -0.9979977847256478, kNone, kNone, 1.7357383384186116, 1.6322973601109603, 1.1349480747473308, 0.8841048285646079, "no_correction_for_eap"},
    {"B3", "wle", -0.17615049645458578, 0.9035175646307912, -2.209333593008361, -2.423794792800933, 0.0076796408689348795, 2.0235388051804666, 3.4323594752001774, 1.7009735200283305, 1.9394631767074502, ""},
    {"B3", "ml", -0.40054238597767466, 0.9598899922564262, -2.3326896455116457, -2.56113513381294, 0.005216538301552641, 1.9827590078326216, 4.141112942026197, 1.696449148645978, 1.9870732900606587, ""},
    {"B3", "map", -0.22107678714232684, 0.6864010664373648, -2.2283319248988427, -2.446099957084887, 0.007220547873942377, 2.012961869000499, 3.5533774959881965, 1.699361391391667, 1.9473604656633985, ""},
    {"B3", "eap", -0.2888395912517307, 0.697083530931455, -2.2625679572231587, kNone, kNone, 1.999260398619507, 3.7550775544282358, 1.6976240874281907, 1.9609862389764072, "no_correction_for_eap"},
    {"C1", "wle", 0.8033659186298434, 0.6030701045619289, 0.32113473262412595, 0.3151947758984371, 0.6236931141017916, 0.8845642136147901, 0.6314859146659125, -0.07683051301357668, -0.14973272203404303, ""},
    {"C1", "ml", 0.8457534210469351, 0.6061755140452962, 0.3002391550044359, 0.3194280146400864, 0.6252990149809929, 0.8951662286053503, 0.6352226778617291, -0.05270506475777448, -0.11595123616304603, ""},
    {"C1", "map", 0.6347408647588199, 0.5152876262831639, 0.3467401822200852, 0.27759146688642855, 0.6093370083785467, 0.8690409351522532, 0.6492397212580673, -0.11350273435456887, -0.22715346205884457, ""},
    {"C1", "eap", 0.6668540964075437, 0.5477376462703706, 0.34899668959386176, kNone, kNone, 0.8688111450301238, 0.641812976029753, -0.11373656712695127, -0.22061613675546615, "no_correction_for_eap"},
    {"C2", "wle", 0.8033659186298434, 0.6030701045619289, -4.576710454567411, -4.847566800916507, 6.249247653684495e-07, 2.985699357345596, 6.040210387425961, 2.825444215892301, 2.9633863933033835, ""},
    {"C2", "ml", 0.8457534210469351, 0.6061755140452962, -4.599759371383779, -4.893738805658258, 4.946906488716447e-07, 2.9738387420432892, 6.359172127454148, 2.8072613017926242, 2.9762239009295683, ""},
    {"C2", "map", 0.6347408647588199, 0.5152876262831639, -4.536514888576951, -4.725213584780606, 1.1493680958819186e-06, 3.054692577469062, 5.068788790651608, 2.9066429371330926, 2.9299834133157097, ""},
    {"C2", "eap", 0.6668540964075435, 0.5477376462703707, -4.537457741896174, kNone, kNone, 3.0391115506144883, 5.219431601146759, 2.8900101855625917, 2.933841677661212, "no_correction_for_eap"},
    {"D1", "wle", -0.4973558125366285, 0.6959630586106428, -2.075953948194413, -2.2895748554437567, 0.01102298699522184, 1.439505867574624, 1.5626626276242468, 0.9046676228792401, 1.0554847609808151, ""},
    {"D1", "ml", -0.5486928851852605, 0.698969930020448, -2.0410343707251934, -2.252922885756795, 0.012132005797731788, 1.462016678158316, 1.558815789178865, 0.9251116311051234, 1.0357280689472, ""},
    {"D1", "map", -0.3479035520776349, 0.5736737596773269, -2.233381900951067, -2.41552635556074, 0.007856242663842678, 1.3948172281524953, 1.5999957490564403, 0.8682925192244024, 1.151505591409197, ""},
    {"D1", "eap", -0.3339257712820254, 0.6376837563411828, -2.252241408064879, kNone, kNone, 1.3922463482009124, 1.605668450795667, 0.8668770073859153, 1.1636757578590484, "no_correction_for_eap"},
    {"D2", "wle", -0.07812476976435895, 0.681564434294204, -0.8136836808907584, -0.8137155236324309, 0.20790396948428735, 1.8201670400237386, 1.6989684164697294, 1.5774544408834448, 1.3582534293715436, ""},
    {"D2", "ml", -0.0745934632291714, 0.6815813974404836, -0.8144415025327918, -0.8144911443636023, 0.2076818216697965, 1.820368561907257, 1.6986203727676328, 1.578481751526208, 1.3581723819082325, ""},
    {"D2", "map", -0.04939465748639847, 0.5700616390612533, -0.820837280517973, -0.8203395422560344, 0.20601128517144046, 1.8224262188271616, 1.6967571889079591, 1.5863081088287678, 1.357978923350598, ""},
    {"D2", "eap", -0.033172203255341356, 0.6387814786883479, -0.825863948546481, kNone, kNone, 1.8243272696480204, 1.6961329890010726, 1.591804467645763, 1.358203464243097, "no_correction_for_eap"},
    {"D3", "wle", -0.20550707531513376, 0.8115493359063519, -0.39068192483746494, -0.39274296992978464, 0.3472546650703216, 1.1622719787180333, 1.0457267813014401, 0.4663107821570468, 0.2669742052325073, ""},
    {"D3", "ml", -0.2281679516645996, 0.8123501480500269, -0.38676317036689983, -0.3878421449233497, 0.3490664274063717, 1.1704459039213677, 1.052916317463766, 0.4792345561509681, 0.28005594586093707, ""},
    {"D3", "map", -0.1494371035228211, 0.638960037431099, -0.4086385800038394, -0.40651705266520927, 0.34218136496164486, 1.14465693776055, 1.031445078983402, 0.43770625439399796, 0.24024954823158684, ""},
    {"D3", "eap", -0.12934914784643625, 0.6303733183228218, -0.41799767636929674, kNone, kNone, 1.1392456571534417, 1.0275652780689926, 0.4287017141223446, 0.23280107003495792, "no_correction_for_eap"},
    {"E1", "wle", 0.14497984362271707, 0.6040691968059256, 0.6147443633508528, 0.6147075873306223, 0.7306260758908849, 0.8104266285474077, 0.8312943292084681, -0.12796977197493695, -0.08257177977835947, ""},
    {"E1", "ml", 0.14081749789728573, 0.6040988453307388, 0.6146642740888044, 0.6147484437254565, 0.7306395690058607, 0.810322918983686, 0.83144312213447, -0.12811962225585913, -0.08232293743755834, ""},
    {"E1", "map", 0.10523879724121463, 0.5224854151351258, 0.6110799972998833, 0.6140320803740641, 0.730402935804496, 0.8107963588949845, 0.8338544516972037, -0.12677016017568835, -0.0779966373774574, ""},
    {"E1", "eap", 0.0917800445663651, 0.51350080157357, 0.6083727297558437, kNone, kNone, 0.8116099633577428, 0.835298889154729, -0.12503532036579812, -0.07533641973923663, "no_correction_for_eap"},
    {"E2", "wle", 2.2961945540472906, 0.9151446167573067, 0.7136775174530551, 0.8883901179707813, 0.8128345304182454, 0.3208896761755789, 0.2797475748049943, -0.6848218133441109, -0.5401963408266934, ""},
    {"E2", "ml", 2.650081624055379, 1.0501378501204681, 0.4135705594518207, 1.0633353657919586, 0.8561850537656688, 0.4616298781619771, 0.3309513322299632, -0.26651427912669634, -0.261124807658067, ""},
    {"E2", "map", 1.5825635462904137, 0.5958239597485643, 1.0580543443664574, 0.39805995751681483, 0.6547070050531212, 0.42834199170070986, 0.4258664602538533, -0.743092726631882, -0.5890529965010025, ""},
    {"E2", "eap", 1.6428614852492898, 0.6134657137856481, 1.0531128320795546, kNone, kNone, 0.39955951984695404, 0.399682307044767, -0.789773129629725, -0.617713587172568, "no_correction_for_eap"},
    {"E3", "wle", -1.2513834207887449, 0.8058765196226823, -0.22234475554585734, -0.42383431543741057, 0.3358433250837535, 0.6751285852173184, 1.0319978073468978, -0.17563088147494105, 0.34238842552741444, ""},
    {"E3", "ml", -1.3903071268271714, 0.8308343299729917, -0.3135622636774562, -0.4256034276478824, 0.33519842111263687, 0.6565993870065577, 1.1417532850373673, -0.18116812479981675, 0.46302710203942277, ""},
    {"E3", "map", -0.8822646717376295, 0.6109509678171943, -0.15241590169833136, -0.5235907547615879, 0.3002816066126294, 0.8399050623821969, 0.9253864430769679, 0.0345751166767827, 0.18299190974960666, ""},
    {"E3", "eap", -0.9245909258501175, 0.621222217463321, -0.14545623943161431, kNone, kNone, 0.8126988355678462, 0.9242930976497442, -0.0024320076449332317, 0.1858409090845487, "no_correction_for_eap"},
    {"F1", "wle", 2.9812601224861757, 0.6018771673679625, -2.1480766050460605, -3.213680147637135, 0.0006552278175629674, 2.4859432504736767, 5.567181066735438, 1.4998593049856117, 1.76930686480245, ""},
    {"F1", "ml", 3.229869771246322, 0.6798318602381899, -2.415546081007614, -3.679959713543973, 0.000116635401774265, 3.251113027359277, 7.044824425907, 1.581180183517165, 1.9673743533838721, ""},
    {"F1", "map", -0.08621353812695837, 0.8410547562436816, -2.1136647583750596, -2.8646291363715606, 0.0020874894257396303, 2.0877869134469433, 1.84668695778342, 1.9432787046479554, 1.4199157629794232, ""},
    {"F1", "eap", 0.6302779477734786, 1.2622500402240777, -2.3334194436062035, kNone, kNone, 2.4534012205087445, 1.9776715598314114, 2.1401895500277623, 1.2406644041182902, "no_correction_for_eap"},
};

// The reference's tests: parameters, the latent nodes and the patterns
// ('-' an item not answered).
FitModel binaryModel(std::vector<float> a, std::vector<float> b, std::vector<float> c, double D)
{
    FitModel model;
    model.kind = FitModel::Kind::Binary;
    model.items = ItemParameters(static_cast<int>(b.size()), 2);
    model.items.a = a;
    model.items.b = b;
    model.items.c = c.empty() ? std::vector<float>(b.size(), 0.0f) : c;
    model.D = D;
    model.parameterCount = c.empty() ? 2 : 3;
    return model;
}

// Parameters boundary by boundary, item by item within.
FitModel polytomousModel(FitModel::Kind kind, std::vector<float> a, std::vector<std::vector<float>> byItem)
{
    FitModel model;
    model.kind = kind;
    const int m = static_cast<int>(byItem.size()), K = static_cast<int>(byItem.front().size()) + 1;
    model.items = ItemParameters(m, K);
    model.items.a = a;
    for (int k = 0; k + 1 < K; ++k)
        for (int j = 0; j < m; ++j)
            model.items.b[static_cast<std::size_t>(k * m + j)] = byItem[static_cast<std::size_t>(j)][static_cast<std::size_t>(k)];
    model.lowestCode = 1;
    return model;
}

FitModel withNodes(FitModel model)
{
    model.theta = {-3, -2, -1, 0, 1, 2, 3};
    model.weight = {0.006f, 0.061f, 0.242f, 0.382f, 0.242f, 0.061f, 0.006f};
    return model;
}

struct Case {
    std::string name;
    FitModel model;
    std::vector<const char*> patterns;
};

std::vector<Case> referenceCases()
{
    return {
        {"A", withNodes(binaryModel({1.2f, 0.8f, 1.5f, 1.0f, 2.0f, 0.7f}, {-1.5f, -0.5f, 0.0f, 0.5f, 1.0f, 2.0f},
                                    {0.2f, 0.15f, 0.25f, 0.2f, 0.1f, 0.2f}, 1.702)),
         {"1 1 1 0 0 0", "0 0 0 1 1 1", "1 1 1 1 1 1", "0 0 0 0 0 0", "1 - 0 1 - 0", "1 - - - - -", "0 1 0 1 0 1"}},
        {"B", withNodes(binaryModel({0.5f, 1.0f, 1.5f, 2.0f, 1.2f}, {-2, -1, 0, 1, 2}, {}, 1.0)),
         {"1 1 0 1 0", "0 1 1 1 1", "1 0 0 0 1"}},
        {"C", withNodes(binaryModel(std::vector<float>(6, 1.0f), {-1, -0.5f, 0, 0.5f, 1, 1.5f}, {}, 1.702)),
         {"1 1 1 0 1 0", "0 0 1 1 1 1"}},
        {"D", withNodes(polytomousModel(FitModel::Kind::Graded, {1.0f, 1.5f, 0.8f, 2.0f},
                                        {{-1, 0.5f}, {-0.5f, 1.0f}, {0, 1.5f}, {-1.5f, 0}})),
         {"3 2 2 1", "1 1 3 3", "2 - 3 2"}},
        {"E", withNodes(polytomousModel(FitModel::Kind::PartialCredit, std::vector<float>(4, 1.0f),
                                        {{-1, 0, 1}, {-0.5f, 0.5f, 1.5f}, {-2, -1, 0}, {0, 1, 2}})),
         {"2 3 4 1", "4 4 4 3", "1 - 2 2"}},
        // Two maxima of the likelihood, the higher far from 0.
        {"F", withNodes(binaryModel({1, 1, 1, 1, 3, 3, 3, 3}, {-2, -1.5f, -1, -0.5f, 1.5f, 2, 2.5f, 3},
                                    std::vector<float>(8, 0.25f), 1.0)),
         {"1 1 1 0 1 1 1 1"}},
    };
}

std::vector<unsigned char> categoriesOf(const char* pattern, int lowest)
{
    std::vector<unsigned char> categories;
    for (const char* c = pattern; *c; ++c)
        if (*c == '-')
            categories.push_back(kNotAnswered);
        else if (*c != ' ')
            categories.push_back(static_cast<unsigned char>(*c - '0' - lowest));
    return categories;
}

void expectFigure(double expected, double actual, const std::string& what)
{
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << what << " " << actual;
        return;
    }
    EXPECT_NEAR(actual, expected, 1e-9 * std::max(1.0, std::abs(expected))) << what;
}

TEST(PersonFitTest, EveryEstimatorAndStatisticAgreesWithTheReference)
{
    std::size_t checked = 0;
    for (const Case& c : referenceCases())
        for (std::size_t k = 0; k < c.patterns.size(); ++k) {
            const std::string pattern = c.name + std::to_string(k + 1);
            const std::vector<unsigned char> categories = categoriesOf(c.patterns[k], c.model.lowestCode);
            for (const Reference& r : kReference) {
                if (pattern != r.pattern)
                    continue;
                ThetaEstimator estimator;
                ASSERT_TRUE(ThetaEstimatorNamed(r.estimator, estimator));
                const PersonFit fit(c.model, estimator);
                PersonFit::Work work;
                PersonFigures f;
                fit.figure(categories.data(), false, f, work);
                const std::string what = pattern + " " + r.estimator;
                expectFigure(r.theta, f.theta, what + " theta");
                expectFigure(r.se, f.se, what + " se");
                expectFigure(r.lz, f.lz, what + " lz");
                expectFigure(r.lzStar, f.lzStar, what + " lz*");
                expectFigure(r.p, f.p, what + " p");
                expectFigure(r.infit, f.infit, what + " infit");
                expectFigure(r.outfit, f.outfit, what + " outfit");
                expectFigure(r.infitT, f.infitT, what + " infit t");
                expectFigure(r.outfitT, f.outfitT, what + " outfit t");
                EXPECT_EQ(std::string(PersonNoteName(f.note)), r.note) << what;
                ++checked;
            }
        }
    EXPECT_EQ(checked, std::size(kReference));
}

// Category probabilities by the models' own formulas, for what the tests
// work out apart from the estimator.
std::vector<double> probabilities(const FitModel& model, int item, double theta)
{
    const ItemParameters& items = model.items;
    const int K = items.categoryCount, m = items.itemCount;
    std::vector<double> P(static_cast<std::size_t>(K));
    std::vector<float> b;
    for (int k = 0; k + 1 < K; ++k)
        b.push_back(items.b[static_cast<std::size_t>(k * m + item)]);
    const double a = items.a[static_cast<std::size_t>(item)];
    if (model.kind == FitModel::Kind::Binary) {
        P[1] = ItemResponseProbability(theta, a, b[0], items.c[static_cast<std::size_t>(item)], model.D);
        P[0] = 1.0 - P[1];
    } else if (model.kind == FitModel::Kind::Graded) {
        GradedCategoryProbabilities(a, theta, b.data(), K - 1, P.data());
    } else {
        PartialCreditProbabilities(a, theta, b.data(), K - 1, P.data());
    }
    return P;
}

double logLikelihood(const FitModel& model, const std::vector<unsigned char>& categories, double theta)
{
    double l = 0.0;
    for (std::size_t j = 0; j < categories.size(); ++j)
        if (categories[j] != kNotAnswered)
            l += std::log(probabilities(model, static_cast<int>(j), theta)[categories[j]]);
    return l;
}

// The maximum of f in [−10, 10], by a fine grid and golden sections.
double brutishMaximum(const std::function<double(double)>& f)
{
    double best = -10.0, most = f(best);
    for (int k = 1; k <= 2000; ++k) {
        const double t = -10.0 + 0.01 * k, value = f(t);
        if (value > most)
            best = t, most = value;
    }
    double low = std::max(-10.0, best - 0.01), high = std::min(10.0, best + 0.01);
    const double golden = (std::sqrt(5.0) - 1.0) / 2.0;
    while (high - low > 1e-10) {
        const double x1 = high - golden * (high - low), x2 = low + golden * (high - low);
        if (f(x1) < f(x2))
            low = x1;
        else
            high = x2;
    }
    return 0.5 * (low + high);
}

std::vector<unsigned char> drawAnswers(const FitModel& model, double theta, RandomStream& random, double missing = 0.0)
{
    std::vector<unsigned char> categories;
    for (int j = 0; j < model.items.itemCount; ++j) {
        if (random.uniform() < missing) {
            categories.push_back(kNotAnswered);
            continue;
        }
        const std::vector<double> P = probabilities(model, j, theta);
        double u = random.uniform(), sum = 0.0;
        unsigned char k = 0;
        while (k + 1u < P.size() && u >= (sum += P[k]))
            ++k;
        categories.push_back(k);
    }
    return categories;
}

double standardNormal(RandomStream& random)
{
    const double u = random.uniform(), v = random.uniform();
    return std::sqrt(-2.0 * std::log(1.0 - u)) * std::cos(2.0 * 3.14159265358979323846 * v);
}

// Twelve items of every model, difficulties spread from −2 to 2.
std::vector<FitModel> shortTests()
{
    std::vector<float> a, b, c;
    std::vector<std::vector<float>> steps;
    for (int j = 0; j < 12; ++j) {
        a.push_back(0.6f + 0.15f * static_cast<float>(j % 5));
        b.push_back(-2.0f + 4.0f * static_cast<float>(j) / 11.0f);
        c.push_back(0.2f);
        steps.push_back({b.back() - 0.8f, b.back(), b.back() + 0.9f});
    }
    return {withNodes(binaryModel(a, b, {}, 1.702)), withNodes(binaryModel(a, b, {}, 1.0)),
            withNodes(binaryModel(a, b, c, 1.702)), withNodes(polytomousModel(FitModel::Kind::Graded, a, steps)),
            withNodes(polytomousModel(FitModel::Kind::PartialCredit, std::vector<float>(12, 1.0f), steps))};
}

// The estimates maximise what they are to, for patterns drawn from every
// model with answers missing: ml the likelihood, map the posterior, and
// wle, where its equation is the slope of l + ½ ln I (binary items without
// guessing, partial credit), that.
TEST(PersonFitTest, EstimatesMaximiseTheirObjectives)
{
    RandomStream random(7, 0);
    for (const FitModel& model : shortTests()) {
        const PersonFit ml(model, ThetaEstimator::Ml), map(model, ThetaEstimator::Map), wle(model, ThetaEstimator::Wle);
        const bool wleIsAMaximum = model.kind == FitModel::Kind::PartialCredit ||
                                   (model.kind == FitModel::Kind::Binary && model.parameterCount == 2);
        PersonFit::Work work;
        for (int n = 0; n < 20; ++n) {
            const std::vector<unsigned char> x = drawAnswers(model, 1.5 * standardNormal(random), random, 0.2);
            const auto l = [&](double t) { return logLikelihood(model, x, t); };
            PersonFigures f;
            ml.figure(x.data(), false, f, work);
            if (f.note == PersonNote::None) {
                EXPECT_NEAR(f.theta, brutishMaximum(l), 1e-6);
            }
            map.figure(x.data(), false, f, work);
            const double mu = map.latentMean(), s2 = map.latentSd() * map.latentSd();
            EXPECT_NEAR(f.theta, brutishMaximum([&](double t) { return l(t) - (t - mu) * (t - mu) / (2 * s2); }),
                        1e-6);
            if (!wleIsAMaximum)
                continue;
            wle.figure(x.data(), false, f, work);
            // For these models the information is minus the likelihood's
            // second derivative, whatever the answers.
            const auto information = [&](double t) {
                const double h = 1e-3;
                return -(l(t + h) - 2 * l(t) + l(t - h)) / (h * h);
            };
            EXPECT_NEAR(f.theta, brutishMaximum([&](double t) { return l(t) + 0.5 * std::log(information(t)); }),
                        1e-4);
        }
    }
}

// Why lz* exists: on a short test with the ability estimated, lz is far
// from standard normal (its variance well below 1), lz* close to it.
TEST(PersonFitTest, LzStarIsCloserToStandardNormalThanLzOnAShortTest)
{
    RandomStream random(11, 0);
    const FitModel model = shortTests()[1];
    for (const ThetaEstimator estimator : {ThetaEstimator::Ml, ThetaEstimator::Wle}) {
        const PersonFit fit(model, estimator);
        PersonFit::Work work;
        double n = 0, lz = 0, lz2 = 0, star = 0, star2 = 0;
        for (int s = 0; s < 4000; ++s) {
            const std::vector<unsigned char> x = drawAnswers(model, standardNormal(random), random);
            PersonFigures f;
            fit.figure(x.data(), false, f, work);
            if (!HasFigure(f.lzStar))
                continue;
            ++n;
            lz += f.lz, lz2 += f.lz * f.lz, star += f.lzStar, star2 += f.lzStar * f.lzStar;
        }
        const double lzVariance = lz2 / n - (lz / n) * (lz / n), starVariance = star2 / n - (star / n) * (star / n);
        SCOPED_TRACE(ThetaEstimatorName(estimator));
        EXPECT_LT(std::abs(starVariance - 1.0), std::abs(lzVariance - 1.0));
        EXPECT_LT(std::abs(starVariance - 1.0), 0.15);
        EXPECT_LT(lzVariance, 0.9);
    }
}

// A 2-parameter test of 40 items, difficulties spread from −2.5 to 2.5.
FitModel fortyItems()
{
    std::vector<float> a, b;
    for (int j = 0; j < 40; ++j) {
        a.push_back(0.8f + 0.4f * static_cast<float>(j % 3));
        b.push_back(-2.5f + 5.0f * static_cast<float>(j) / 39.0f);
    }
    return withNodes(binaryModel(a, b, {}, 1.702));
}

// The screening rule: about 5% of subjects who answer as the model says
// are flagged, and far more of those who answer at random or who know the
// hardest items' answers without the ability for them.
TEST(PersonFitTest, AberrantSubjectsAreFlaggedFarAboveChance)
{
    const FitModel model = fortyItems();
    const PersonFit fit(model, ThetaEstimator::Wle);
    PersonFit::Work work;
    RandomStream random(3, 0);
    const auto share = [&](const std::function<std::vector<unsigned char>()>& subject) {
        int flagged = 0;
        for (int s = 0; s < 2000; ++s) {
            const std::vector<unsigned char> x = subject();
            PersonFigures f;
            fit.figure(x.data(), false, f, work);
            flagged += f.flagged ? 1 : 0;
        }
        return flagged / 2000.0;
    };
    const double model5 = share([&] { return drawAnswers(model, standardNormal(random), random); });
    EXPECT_GT(model5, 0.02);
    EXPECT_LT(model5, 0.08);
    const double guessing = share([&] {
        std::vector<unsigned char> x;
        for (int j = 0; j < 40; ++j)
            x.push_back(random.uniform() < 0.5 ? 1 : 0);
        return x;
    });
    EXPECT_GT(guessing, 0.5);
    const double copied = share([&] {
        std::vector<unsigned char> x = drawAnswers(model, -1.5, random);
        std::fill(x.end() - 10, x.end(), 1);  // the ten hardest, copied right
        return x;
    });
    EXPECT_GT(copied, 0.5);
}

// Who has no figures, and why.
TEST(PersonFitTest, SubjectsWithoutFiguresSayWhy)
{
    const FitModel model = shortTests()[0];
    PersonFit::Work work;
    std::vector<unsigned char> x(12, kNotAnswered);
    const PersonFit wle(model, ThetaEstimator::Wle), ml(model, ThetaEstimator::Ml);
    PersonFigures f;
    x[3] = 1;
    wle.figure(x.data(), false, f, work);
    EXPECT_EQ(f.note, PersonNote::TooFewAnswers);
    EXPECT_EQ(f.answered, 1);
    EXPECT_FALSE(HasFigure(f.theta));
    x[4] = 0;
    wle.figure(x.data(), true, f, work);
    EXPECT_EQ(f.note, PersonNote::CodesOutside);
    EXPECT_FALSE(HasFigure(f.lz));
    x[4] = 1;
    ml.figure(x.data(), false, f, work);
    EXPECT_EQ(f.note, PersonNote::Extreme);
    wle.figure(x.data(), false, f, work);
    EXPECT_EQ(f.note, PersonNote::None) << "wle is finite for every pattern";
    EXPECT_TRUE(HasFigure(f.lzStar));
    const std::vector<unsigned char> all(12, 0);
    ml.figure(all.data(), false, f, work);
    EXPECT_EQ(f.note, PersonNote::Extreme);
    // Items of a single category say nothing of anyone.
    const FitModel single = withNodes(polytomousModel(FitModel::Kind::PartialCredit, {1, 1, 1}, {{}, {}, {}}));
    const std::vector<unsigned char> lowest(3, 0);
    for (const ThetaEstimator estimator : {ThetaEstimator::Wle, ThetaEstimator::Eap}) {
        PersonFit(single, estimator).figure(lowest.data(), false, f, work);
        EXPECT_EQ(f.note, PersonNote::Extreme);
        EXPECT_FALSE(HasFigure(f.theta));
    }
}

// A subject's simulated p is the share of its replicates that misfit as
// much; where lz* is close to standard normal, as on 40 items, it is close
// to Φ(lz*) across the range, low for the misfitting and high for the rest.
TEST(PersonFitTest, SimulatedPFollowsLzStar)
{
    const FitModel model = fortyItems();
    const PersonFit fit(model, ThetaEstimator::Wle);
    PersonFit::Work work;
    RandomStream draws(5, 0);
    for (int s = 0; s < 12; ++s) {
        std::vector<unsigned char> x = drawAnswers(model, standardNormal(draws), draws);
        if (s % 3 == 0)
            std::fill(x.end() - 8, x.end(), 1);  // hard items right: misfit
        PersonFigures f;
        fit.figure(x.data(), false, f, work);
        RandomStream random(9, static_cast<std::uint64_t>(s));
        fit.simulate(x.data(), 4000, random, f, work);
        ASSERT_TRUE(HasFigure(f.pSimulated));
        EXPECT_NEAR(f.pSimulated, f.p, 0.06) << "lz* " << f.lzStar;
        EXPECT_EQ(f.flagged, f.pSimulated < 0.05);
    }
}

}  // namespace
